// Check box skins: Style_CheckButton (one image per state) and
// Style_CheckButtonEx (one strip of eight frames).
#include "dui/core/control.h"
#include "dui/core/skin_image.h"
#include "dui/markup/style_paint.h"
#include "dui/markup/styles.h"

namespace dui {
namespace {

// Checked first, then not enabled / capture / mouse over / otherwise.
// Keyboard focus plays no part.
AttrKey checkIconOf(const Control& c) {
  const bool checked = c.hasFlag(flags::Checked);
  if (!c.hasFlag(flags::Enabled)) return checked ? names::checkedDisabledIcon : names::disabledIcon;
  if (c.hasFlag(flags::Captured)) return checked ? names::checkedDownIcon : names::downIcon;
  if (c.hasFlag(flags::MouseOver)) return checked ? names::checkedOverIcon : names::overIcon;
  return checked ? names::checkedUpIcon : names::upIcon;
}

// 4 when checked, plus 3 not enabled, else 2 capture, else 1 mouse over.
int checkFrameOf(const Control& c) {
  int frame = c.hasFlag(flags::Checked) ? 4 : 0;
  if (!c.hasFlag(flags::Enabled)) frame += 3;
  else if (c.hasFlag(flags::Captured)) frame += 2;
  else if (c.hasFlag(flags::MouseOver)) frame += 1;
  return frame;
}

// The text behind an icon `iconWidth` wide (0 when the icon is missing): left
// edge moved by icon width + "iconGap" (default 2) + 2, vertically centred,
// left-aligned, in the font already selected (the check styles select none).
void drawCheckText(HDC dc, const Rect& rect, const Control& control, const Object& style, int iconWidth) {
  const std::wstring* text = control.findString(names::text);
  if (!text || text->empty()) return;
  Rect area = rect;
  area.left += iconWidth + style.intOr(names::iconGap, 2) + 2;
  skin::drawText(dc, area, *text, COLORREF(style.intOr(names::textColor, std::int32_t(skin::kWhite))),
                 DT_SINGLELINE | DT_VCENTER | DT_LEFT | accessKeyTextFormat(control));
}

}  // namespace

void Style_CheckButton::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  const SkinImage* icon = imageOf(*this, checkIconOf(*control));
  skin::drawAt(dc, rect.left + 2, (rect.top + rect.bottom - skin::heightOf(icon)) / 2, icon);
  drawCheckText(dc, rect, *control, *this, skin::widthOf(icon));
}

void Style_CheckButtonEx::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  const SkinImage* strip = imageOf(*this, names::src);
  const int frameHeight = strip ? strip->height() / 8 : 0;
  int iconWidth = 0;
  if (frameHeight > 0) {
    iconWidth = strip->width();
    strip->draw(dc, rect.left, rect.top, iconWidth, frameHeight, frameHeight * checkFrameOf(*control), iconWidth,
                frameHeight);
  }
  drawCheckText(dc, rect, *control, *this, iconWidth);
}

}  // namespace dui
