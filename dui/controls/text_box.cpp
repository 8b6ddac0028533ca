// The TextBox control: events, caret, scrolling and drawing over TextBoxModel.
#include "dui/controls/text_box.h"

#include <algorithm>

#include "dui/controls/text_editing_keys.h"
#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/dc_clip.h"
#include "dui/core/window_impl.h"
#include "support/win32_handles.h"

namespace dui {

namespace {

int widthOf(TextFont& font, wchar_t c) { return font.width(c); }

}  // namespace

TextBox::TextBox() : selectionBrush_(::CreateSolidBrush(kSelectionColour)) {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::Focusable | flags::DoubleClicks |
              flags::TabStop | flags::TextEntry, true);
  addHandler(events::Attached, this, &TextBox::onAttached);
  addHandler(events::LButtonDown, this, &TextBox::onLButtonDown);
  addHandler(events::MouseMove, this, &TextBox::onMouseMove);
  addHandler(events::LButtonDbClick, this, &TextBox::onDoubleClick);
  addHandler(events::KeyDown, this, &TextBox::onKeyDown);
  addHandler(events::KeyPress, this, &TextBox::onKeyPress);
  addHandler(events::GotFocus, this, &TextBox::onGotFocus);
  addHandler(events::LostFocus, this, &TextBox::onLostFocus);
  addHandler(events::QueryCursor, this, &TextBox::onQueryCursor);
}

TextBox::~TextBox() { hideCaretIfFocused(*this); }

const wchar_t* TextBox::typeName() const { return L"TextBox"; }

int TextBox::innerWidth() const { return std::max(0, rect().right - rect().left - 2 * kPaddingX); }
int TextBox::innerHeight() const { return std::max(0, rect().bottom - rect().top - 2 * kPaddingY); }

int TextBox::pixelOf(std::size_t pos) {
  const TextLine line{0, model_.text().size(), LineEnd::None};
  const std::wstring& text = model_.text();
  return xInLine([&text](std::size_t p) { return text[p]; }, line, pos,
                 [this](wchar_t c) { return widthOf(font_, c); });
}

std::size_t TextBox::positionAt(int x) {
  const TextLine line{0, model_.text().size(), LineEnd::None};
  const std::wstring& text = model_.text();
  return positionInLine([&text](std::size_t p) { return text[p]; }, line, x,
                        [this](wchar_t c) { return widthOf(font_, c); });
}

void TextBox::setText(const std::wstring& text) {
  if (!model_.setText(text)) return;
  scroll_ = 0;
  changed();
}

void TextBox::onAttached(Control* sender, Event&) {
  if (sender != this) return;
  font_.load(L"Default");
  adoptTextAttribute();
  scroll_ = 0;  // the width is known after arrange, which scrolls to the caret
}

// The "text" attribute always holds the content (mirrored on every change),
// so a different value was written by someone else (markup, or the common
// setText of a script object): it becomes the content, as setText would.
bool TextBox::adoptTextAttribute() {
  const std::wstring* attribute = findString(names::text);
  if (!attribute || *attribute == model_.text()) return false;
  const bool replaced = model_.setText(*attribute);
  if (replaced) scroll_ = 0;
  mirrorTextAttribute();  // a text cut to 2000 characters is written back once
  return replaced;
}

void TextBox::mirrorTextAttribute() {
  const std::wstring* attribute = findString(names::text);
  if (attribute && *attribute == model_.text()) return;
  setString(names::text, model_.text());
  announceChange(this, AccessibleChange::Value);
}

Size TextBox::measureOverride(std::int32_t, std::int32_t) { return Size{0, font_.height() + 2 * kPaddingY}; }

Size TextBox::arrangeOverride(std::int32_t width, std::int32_t height) {
  // The new size takes effect after arrange; keep the caret in the new width.
  updateScroll(std::max(0, width - 2 * kPaddingX));
  return Size{width, height};
}

// The caret stays inside the inner width, and no more of the text than
// needed is scrolled out on the left.
void TextBox::updateScroll(int inner) {
  scroll_ = scrollToShow(scroll_, pixelOf(model_.caret()), inner);
  scroll_ = std::min(scroll_, std::max(0, pixelOf(model_.text().size()) - inner));
}

void TextBox::changed() {
  mirrorTextAttribute();
  updateScroll(innerWidth());
  placeCaret();
  invalidate(this, false);
}

void TextBox::placeCaret() {
  WindowImpl* window = hostWindowOf(*this);
  if (!window || window->focusControl() != this) return;
  Rect area;
  if (!absoluteRect(this, area)) return;
  const int caretHeight = std::max(font_.height(), innerHeight());
  window->setCaretSize(1, caretHeight);
  window->showCaret(area.left + kPaddingX + pixelOf(model_.caret()) - scroll_,
                    area.top + kPaddingY + (innerHeight() - caretHeight) / 2);
}

void TextBox::onLButtonDown(Control* sender, Event& e) {
  if (sender != this) return;
  adoptTextAttribute();
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return;
  model_.placeCaret(positionAt(p.x - kPaddingX + scroll_), false);
  changed();
}

void TextBox::onMouseMove(Control* sender, Event& e) {
  if (sender != this || !hasFlag(flags::Captured)) return;
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return;
  // The point is clamped to the text area widened by a letter W on each side,
  // so dragging past an edge scrolls a little at a time.
  const int margin = font_.width(L'W');
  const int x = std::clamp(p.x - kPaddingX, -margin, innerWidth() + margin);
  model_.placeCaret(positionAt(std::max(0, x + scroll_)), true);
  changed();
}

void TextBox::onDoubleClick(Control* sender, Event&) {
  if (sender != this) return;
  adoptTextAttribute();
  model_.selectAll();
  changed();
}

void TextBox::onKeyDown(Control* sender, Event& e) {
  if (sender != this) return;
  // Tab, Enter and Escape are the window's (focus order, default and cancel
  // buttons); every other key stays here.
  if (e.wparam == VK_TAB || e.wparam == VK_RETURN || e.wparam == VK_ESCAPE) return;
  adoptTextAttribute();
  e.handled = 1;
  switch (e.wparam) {
    case VK_BACK: model_.backspace(); break;
    case VK_LEFT:
    case VK_UP: model_.moveLeft(); break;
    case VK_RIGHT:
    case VK_DOWN: model_.moveRight(); break;
    default:
      if (!handleClipboardShortcut(e.wparam, clipboardEditing())) return;
  }
  changed();
}

void TextBox::onKeyPress(Control* sender, Event& e) {
  if (sender != this) return;
  adoptTextAttribute();
  const wchar_t c = static_cast<wchar_t>(e.wparam);
  if (c < 32) return;
  if (model_.replaceSelection(std::wstring(1, c))) changed();
}

ClipboardEditing TextBox::clipboardEditing() {
  ClipboardEditing editing;
  editing.owner = hostHwndOf(*this);
  editing.canCopy = !model_.selection().empty();
  editing.canPaste = true;
  editing.selectAll = [this] { model_.selectAll(); };
  editing.selectedText = [this] { return model_.selectedText(); };
  editing.deleteSelection = [this] { model_.replaceSelection(std::wstring()); };
  // A paste follows the typing rules: control characters (CR, LF, TAB ...)
  // are not text, so a copied path with a line break stays one valid path.
  editing.replaceSelection = [this](const std::wstring& text) {
    std::wstring typed;
    typed.reserve(text.size());
    for (wchar_t c : text)
      if (c >= 32) typed += c;
    model_.replaceSelection(typed);
  };
  return editing;
}

void TextBox::onGotFocus(Control* sender, Event&) {
  if (sender != this) return;
  adoptTextAttribute();
  placeCaret();
}

void TextBox::onLostFocus(Control* sender, Event&) {
  if (sender != this) return;
  if (WindowImpl* window = hostWindowOf(*this)) window->hideCaret();
  model_.dropSelection();
  invalidate(this, false);
}

void TextBox::onQueryCursor(Control* sender, Event& e) {
  if (sender != this) return;
  showTextCursor(e);
}

// Paints the content as it stands: painting changes no state (a text
// attribute written by someone else is taken up by the next input event).
void TextBox::draw(HDC dc, const Rect& drawRect, const Rect& clip) {
  Control::draw(dc, drawRect, clip);
  const std::wstring& text = model_.text();
  if (text.empty() || !font_.loaded()) return;
  const Rect inner{drawRect.left + kPaddingX, drawRect.top + kPaddingY, drawRect.right - kPaddingX,
                   drawRect.bottom - kPaddingY};
  if (inner.empty()) return;
  const std::wstring shown = expandTabs(text);
  const int originX = inner.left - scroll_;
  RECT textRect{originX, inner.top, std::max<LONG>(inner.right, originX + pixelOf(text.size()) + 1), inner.bottom};
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT;

  ScopedClip clipped(dc, inner);
  if (!clipped.ok()) return;
  kavri::ScopedSelect font(dc, font_.handle());
  kavri::ScopedTextColour colour(dc, kTextColour);
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &textRect, format);

  const TextSelection& selection = model_.selection();
  if (selection.empty()) return;
  const Rect band{originX + pixelOf(selection.begin()), inner.top, originX + pixelOf(selection.end()), inner.bottom};
  const RECT bandRect{band.left, band.top, band.right, band.bottom};
  ::FillRect(dc, &bandRect, selectionBrush_.get());
  // The selected part again, in the selected colour, inside the band only.
  ScopedClip inBand(dc, band);
  if (!inBand.ok()) return;
  kavri::ScopedTextColour selected(dc, kSelectedTextColour);
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &textRect, format);
}

}  // namespace dui
