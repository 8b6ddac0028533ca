// Images, placement and text for the skins.
#include "dui/markup/style_paint.h"

#include "dui/core/control.h"
#include "dui/core/skin_image.h"
#include "dui/markup/skin_resources.h"
#include "support/win32_handles.h"

namespace dui {
namespace skin {
namespace {

constexpr wchar_t kDefaultFont[] = L"Default";
constexpr UINT kCentredLine = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

}  // namespace

SkinImage* imageNamed(const std::wstring* name) {
  return name && !name->empty() ? skinResources().getImage(*name) : nullptr;
}

SkinImage* imageOf(const Object& object, AttrKey key) { return imageNamed(object.findString(key)); }

void drawStretched(HDC dc, const Rect& rect, const SkinImage* image) {
  if (image) image->drawInRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void drawNineGrid(HDC dc, const Rect& rect, const SkinImage* image, const Rect& insets) {
  if (image)
    image->drawNineGrid(dc, rect.left, rect.top, rect.right, rect.bottom, insets.left, insets.top, insets.right,
                        insets.bottom);
}

void drawScaled(HDC dc, const Rect& rect, const SkinImage* image, const Object& style) {
  Rect insets;
  if (style.getRect(names::scaleGrid, insets)) drawNineGrid(dc, rect, image, insets);
  else drawStretched(dc, rect, image);
}

void drawAt(HDC dc, int x, int y, const SkinImage* image) {
  if (image) image->drawAt(dc, x, y);
}

int widthOf(const SkinImage* image) { return image ? image->width() : 0; }
int heightOf(const SkinImage* image) { return image ? image->height() : 0; }

HFONT controlFont(const Control& control) {
  const std::wstring* name = control.findString(names::font);
  return skinResources().getFont(name ? *name : std::wstring(kDefaultFont));
}

void drawText(HDC dc, const Rect& rect, const std::wstring& text, COLORREF colour, UINT format) {
  if (text.empty()) return;
  kavri::ScopedTextColour textColour(dc, colour);
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
}

Size textExtent(HDC dc, const std::wstring& text) {
  if (text.empty()) return Size{};
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
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
           COLORREF(style.intOr(names::textColor, std::int32_t(defaultColour))), kCentredLine);
}

void drawButtonText(HDC dc, const Rect& rect, const Control& control, const Object& style,
                    COLORREF defaultColour) {
  drawCentredText(dc, rect, control, style, control.findString(names::text), defaultColour);
}

}  // namespace skin
}  // namespace dui
