// Text for the skins.
#include "dui/markup/style_paint.h"

#include "dui/core/access_keys.h"
#include "dui/core/control.h"
#include "support/win32_handles.h"

namespace dui {
namespace skin {
namespace {

constexpr UINT kCentredLine = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

}  // namespace

void drawText(HDC dc, const Rect& rect, const std::wstring& text, COLORREF colour, UINT format) {
  if (text.empty()) return;
  kavri::ScopedTextColour textColour(dc, colour);
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
}

Size textExtent(HDC dc, const std::wstring& text, UINT prefixFormat) {
  if (text.empty()) return Size{};
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_CALCRECT | prefixFormat);
  return Size{r.right - r.left, r.bottom - r.top};
}

Rect pressedTextRect(const Rect& rect, const Control& control, const Object& style) {
  const bool pressed = control.hasFlag(flags::Captured) && style.intOr(names::downOffset, 0) == 1;
  return pressed ? rect.offset(1, 1) : rect;
}

void drawCentredText(HDC dc, const Rect& rect, const Control& control, const Object& style,
                     const std::wstring* text, COLORREF defaultColour) {
  if (!text || text->empty()) return;
  kavri::ScopedSelect font(dc, controlFont(control));
  drawText(dc, pressedTextRect(rect, control, style), *text,
           COLORREF(style.intOr(names::textColor, std::int32_t(defaultColour))),
           kCentredLine | accessKeyTextFormat(control));
}

void drawButtonText(HDC dc, const Rect& rect, const Control& control, const Object& style,
                    COLORREF defaultColour) {
  drawCentredText(dc, rect, control, style, control.findString(names::text), defaultColour);
}

}  // namespace skin
}  // namespace dui
