// Measuring and drawing of labels; the link label's cursor and address.
#include "dui/controls/label.h"

#include <windows.h>
#include <shellapi.h>

#include "dui/core/access_keys.h"
#include "dui/core/style_lookup.h"
#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {

namespace {

UINT alignmentOf(const Control& control) {
  AttrKey align = nullptr;
  if (control.getEnum(names::textAlign, align)) {
    if (align == names::kwCenter) return DT_CENTER;
    if (align == names::kwRight) return DT_RIGHT;
  }
  return DT_LEFT;
}

LinkLabel::Opener g_opener = &LinkLabel::openInBrowser;

}  // namespace

Label::Label() { setFlag(flags::HitTransparent, true); }

Size Label::measureOverride(std::int32_t, std::int32_t) {
  const Rect padding = rectOr(names::padding, Rect{});
  Size extent{0, 0};
  const std::wstring* text = findString(names::text);
  if (text && !text->empty()) {
    kavri::UniqueHdc dc(::CreateCompatibleDC(nullptr));
    if (dc) {
      kavri::ScopedSelect font(dc.get(), controlFont(*this));
      RECT r{0, 0, 0, 0};
      ::DrawTextW(dc.get(), text->c_str(), static_cast<int>(text->size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | accessKeyTextFormat(*this));
      extent = Size{r.right - r.left, r.bottom - r.top};
    }
  }
  return Size{extent.width + padding.left + padding.right, extent.height + padding.top + padding.bottom};
}

void Label::draw(HDC dc, const Rect& drawRect, const Rect&) {
  const std::wstring* text = findString(names::text);
  if (!text || text->empty()) return;
  const Rect padding = rectOr(names::padding, Rect{});
  RECT r{drawRect.left + padding.left, drawRect.top + padding.top, drawRect.right - padding.right,
         drawRect.bottom - padding.bottom};
  kavri::ScopedSelect font(dc, controlFont(*this));
  kavri::ScopedTextColour colour(dc, static_cast<COLORREF>(intOr(names::color, kDefaultColour)));
  ::DrawTextW(dc, text->c_str(), static_cast<int>(text->size()), &r,
              DT_SINGLELINE | DT_VCENTER | accessKeyTextFormat(*this) | alignmentOf(*this));
}

void LinkLabel::setOpener(Opener opener) { g_opener = opener ? opener : &LinkLabel::openInBrowser; }

void LinkLabel::openInBrowser(const std::wstring& url) {
  const HINSTANCE result = ::ShellExecuteW(nullptr, nullptr, L"iexplore", url.c_str(), nullptr, SW_SHOW);
  if (reinterpret_cast<INT_PTR>(result) <= 32) kavri::debugLogf(L"LinkLabel: cannot open %ls", url.c_str());
}

LinkLabel::LinkLabel() {
  setFlag(flags::HitTransparent, false);
  setFlag(flags::TabStop, true);
  addHandler(events::QueryCursor, this, &LinkLabel::onQueryCursor);
  addHandler(events::LButtonDown, this, &LinkLabel::onLButtonDown);
  addHandler(events::KeyDown, this, &LinkLabel::onKeyDown);
  addHandler(events::Click, this, &LinkLabel::onClick);
}

void LinkLabel::onQueryCursor(Control*, Event& e) {
  ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
  e.handled = 1;
}

void LinkLabel::onLButtonDown(Control*, Event& e) {
  e.handled = 1;
  open();
}

void LinkLabel::onKeyDown(Control* sender, Event& e) {
  if (sender != this || (e.wparam != VK_RETURN && e.wparam != VK_SPACE)) return;
  e.handled = 1;
  open();
}

// A Click comes from an access key or a screen reader's default action.
void LinkLabel::onClick(Control* sender, Event&) {
  if (sender == this) open();
}

void LinkLabel::open() {
  const std::wstring* url = findString(names::url);
  if (url && !url->empty()) g_opener(*url);
}

}  // namespace dui
