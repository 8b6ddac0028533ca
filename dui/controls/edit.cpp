// The Edit control: attributes, events, caret and drawing over EditModel.
#include "dui/controls/edit.h"

#include <windows.h>

#include <algorithm>

#include "dui/controls/text_editing_keys.h"
#include "dui/core/control_geometry.h"
#include "dui/core/dc_clip.h"
#include "dui/core/style_lookup.h"
#include "dui/core/window_impl.h"
#include "support/win32_handles.h"

namespace dui {

Edit::Edit() : selectionBrush_(::CreateSolidBrush(kSelectionColour)) {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::Focusable | flags::TabStop | flags::TextEntry,
          true);
  model_.setCharWidth([this](wchar_t c) { return font_.width(c); });
  addHandler(events::Attached, this, &Edit::onAttached);
  addHandler(events::LButtonDown, this, &Edit::onLButtonDown);
  addHandler(events::MouseMove, this, &Edit::onMouseMove);
  addHandler(events::MouseWheel, this, &Edit::onMouseWheel);
  addHandler(events::KeyDown, this, &Edit::onKeyDown);
  addHandler(events::KeyPress, this, &Edit::onKeyPress);
  addHandler(events::GotFocus, this, &Edit::onGotFocus);
  addHandler(events::LostFocus, this, &Edit::onLostFocus);
  addHandler(events::QueryCursor, this, &Edit::onQueryCursor);
}

Edit::~Edit() { hideCaretIfFocused(*this); }

const wchar_t* Edit::typeName() const { return L"Edit"; }

void Edit::onAttached(Control* sender, Event&) {
  if (sender != this) return;
  lineSpacing_ = intOr(names::textspace, 0);
  Size padding{kDefaultPadding, kDefaultPadding};
  getSize(names::textpadding, padding);
  paddingX_ = padding.width;
  paddingY_ = padding.height;
  model_.setEditable(intOr(names::texteditable, 1) != 0);
  textColour_ = static_cast<COLORREF>(intOr(names::color, static_cast<std::int32_t>(kDefaultTextColour)));
  const std::wstring* fontName = findString(names::font);
  font_.load(fontName ? *fontName : std::wstring(L"Default"));
  lineHeight_ = std::max(1, font_.height() + lineSpacing_);
  model_.setCharWidth([this](wchar_t c) { return font_.width(c); });  // the font changed: lay out again
  applyGeometry(rect().right - rect().left, rect().bottom - rect().top);
  // The attribute mirrors the content, so attaching again keeps what was
  // typed; a value written there from outside replaces it.
  const std::wstring attribute = getText();
  if (attribute != model_.text()) model_.setText(attribute);
  mirroredVersion_ = model_.version();
  invalidate(this, false);
}

void Edit::applyGeometry(int width, int height) {
  model_.setGeometry(width - 2 * paddingX_, lineHeight_, height - 2 * paddingY_);
}

Size Edit::arrangeOverride(std::int32_t width, std::int32_t height) {
  applyGeometry(width, height);
  if (hasFlag(flags::Focused)) placeCaret();
  return Size{width, height};
}

void Edit::setText(const std::wstring& text) {
  model_.setText(text);
  changed();
}

void Edit::changed() {
  if (model_.version() != mirroredVersion_) {
    setString(names::text, model_.text());
    mirroredVersion_ = model_.version();
  }
  placeCaret();
  invalidate(this, false);
}

void Edit::placeCaret() {
  WindowImpl* window = hostWindowOf(*this);
  if (!window || window->focusControl() != this) return;
  Rect area;
  if (!absoluteRect(this, area)) return;
  // The rectangle may still change in this arrange pass; the caret is placed
  // again after every change, so the offsets below need only be current.
  const std::size_t line = model_.caretLine();
  const std::size_t first = model_.firstVisibleLine();
  if (line < first || line >= first + model_.visibleRows()) {
    window->hideCaret();
    return;
  }
  window->setCaretSize(1, lineHeight_);
  window->showCaret(area.left + paddingX_ + model_.caretPixelX(),
                    area.top + paddingY_ + static_cast<int>(line - first) * lineHeight_);
}

bool Edit::pointInText(const Event& e, int& x, int& y) const {
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return false;
  x = p.x - paddingX_;
  y = p.y - paddingY_;
  return true;
}

void Edit::onLButtonDown(Control* sender, Event& e) {
  if (sender != this) return;
  int x, y;
  if (!pointInText(e, x, y)) return;
  model_.placeCaretAt(x, y, false);
  e.handled = 1;
  changed();
}

void Edit::onMouseMove(Control* sender, Event& e) {
  if (sender != this || !hasFlag(flags::Captured)) return;
  int x, y;
  if (!pointInText(e, x, y)) return;
  model_.placeCaretAt(x, y, true);
  changed();
}

// Scrolls only while the edit has the focus; the wheel is then the edit's
// alone, so a scrolling panel around it does not scroll as well.
void Edit::onMouseWheel(Control*, Event& e) {
  WindowImpl* window = hostWindowOf(*this);
  if (!window || window->focusControl() != this) return;
  model_.scrollLines(-wheel_.take(GET_WHEEL_DELTA_WPARAM(e.wparam), kWheelLinesPerNotch));
  e.handled = 1;
  changed();
}

// Keys bubble on past the editor, except Enter while it is editable: that
// types a line break here (as a character), so the window's default button
// must not take it too.
void Edit::onKeyDown(Control* sender, Event& e) {
  if (sender != this) return;
  if (e.wparam == VK_RETURN) {
    if (model_.editable()) e.handled = 1;
    return;
  }
  switch (e.wparam) {
    case VK_BACK: model_.backspace(); break;
    case VK_ESCAPE: model_.escape(); break;
    case VK_PRIOR: model_.pageUp(); break;
    case VK_NEXT: model_.pageDown(); break;
    case VK_HOME: model_.home(); break;
    case VK_END: model_.end(); break;
    case VK_LEFT: model_.left(); break;
    case VK_RIGHT: model_.right(); break;
    case VK_UP: model_.up(); break;
    case VK_DOWN: model_.down(); break;
    default:
      if (!handleClipboardShortcut(e.wparam, clipboardEditing())) return;
  }
  changed();
}

void Edit::onKeyPress(Control* sender, Event& e) {
  if (sender != this) return;
  if (model_.typeCharacter(static_cast<wchar_t>(e.wparam))) changed();
}

// A read-only editor neither copies nor pastes; selecting all still works.
ClipboardEditing Edit::clipboardEditing() {
  ClipboardEditing editing;
  editing.owner = hostHwndOf(*this);
  editing.canCopy = model_.editable() && !model_.selection().empty();
  editing.canPaste = model_.editable();
  editing.selectAll = [this] { model_.selectAll(); };
  editing.selectedText = [this] { return model_.selectedText(); };
  editing.deleteSelection = [this] { model_.deleteSelection(); };
  editing.replaceSelection = [this](const std::wstring& text) { model_.replaceSelection(text); };
  return editing;
}

void Edit::onGotFocus(Control* sender, Event&) {
  if (sender != this) return;
  placeCaret();
}

void Edit::onLostFocus(Control* sender, Event&) {
  if (sender != this) return;
  if (WindowImpl* window = hostWindowOf(*this)) window->hideCaret();
}

void Edit::onQueryCursor(Control* sender, Event& e) {
  if (sender != this || !hasFlag(flags::Enabled)) return;
  showTextCursor(e);
}

void Edit::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kEditStyle, BuiltInStyle::WhenNoStyleLoads);
  if (!font_.loaded()) return;
  ScopedClip clipped(dc, drawRect);
  if (!clipped.ok()) return;
  kavri::ScopedSelect font(dc, font_.handle());
  kavri::ScopedTextColour colour(dc, textColour_);
  const std::vector<TextLine>& lines = model_.lines();
  const int bottom = drawRect.bottom - paddingY_;
  int y = drawRect.top + paddingY_;
  for (std::size_t i = model_.firstVisibleLine(); i < lines.size() && y < bottom; ++i, y += lineHeight_) {
    const RECT lineRect{drawRect.left + paddingX_, y, drawRect.right - paddingX_, y + lineHeight_};
    drawLine(dc, lines[i], lineRect);
  }
}

// The line with its tabs drawn as four spaces each (expanded into a string as
// long as it needs, so no line is too long), then its selected part again in
// the selected colours.
void Edit::drawLine(HDC dc, const TextLine& line, const RECT& lineRect) {
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT;
  const std::wstring shown = expandTabs(model_.blocks().copy(line.start, line.end - line.start));
  RECT r = lineRect;
  if (!shown.empty()) ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r, format);

  const TextSelection& selection = model_.selection();
  const std::size_t from = std::max(selection.begin(), line.start);
  const std::size_t to = std::min(selection.end(), line.end);
  if (selection.empty() || from >= to) return;
  const CharAt at = model_.reader();
  const CharWidth width = [this](wchar_t c) { return font_.width(c); };
  const RECT band{lineRect.left + xInLine(at, line, from, width), lineRect.top,
                  lineRect.left + xInLine(at, line, to, width), lineRect.bottom};
  ::FillRect(dc, &band, selectionBrush_.get());
  // The selected part again, in the selected colour, inside the band only.
  ScopedClip inBand(dc, Rect{band.left, band.top, band.right, band.bottom});
  if (!inBand.ok()) return;
  kavri::ScopedTextColour selected(dc, kSelectedTextColour);
  r = lineRect;
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r, format);
}

}  // namespace dui
