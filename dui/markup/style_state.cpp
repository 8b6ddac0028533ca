// Skins chosen by the control's state: Style_Background, Style_Button,
// Style_Edit, Style_ToggleButton and Style_ButtonEx (the plain Style's state
// skin is in dui/core/style.cpp).
#include "dui/core/control.h"
#include "dui/core/skin_image.h"
#include "dui/markup/style_paint.h"
#include "dui/markup/styles.h"

namespace dui {
namespace {

bool enabled(const Control& c) { return c.hasFlag(flags::Enabled); }
bool captured(const Control& c) { return c.hasFlag(flags::Captured); }
bool mouseOver(const Control& c) { return c.hasFlag(flags::MouseOver); }

// Style_Edit: no down state.
AttrKey editSkinOf(const Control& c) {
  if (!enabled(c)) return names::disabledSkin;
  if (mouseOver(c)) return names::overSkin;
  return names::upSkin;
}

// Style_ToggleButton: the checked set while Checked.
AttrKey toggleSkinOf(const Control& c) {
  const bool checked = c.hasFlag(flags::Checked);
  if (!enabled(c)) return checked ? names::checkedDisabledSkin : names::disabledSkin;
  if (captured(c)) return checked ? names::checkedDownSkin : names::downSkin;
  if (mouseOver(c)) return checked ? names::checkedOverSkin : names::overSkin;
  return checked ? names::checkedUpSkin : names::upSkin;
}

// Style_ButtonEx: frame 0 normal, 1 mouse over, 2 capture, 3 not enabled.
int buttonExFrameOf(const Control& c) {
  if (!enabled(c)) return 3;
  if (captured(c)) return 2;
  if (mouseOver(c)) return 1;
  return 0;
}

}  // namespace

void Style_Background::draw(HDC dc, const Rect& rect, Control*) {
  skin::drawScaled(dc, rect, imageOf(*this, names::img), *this);
}

void Style_Button::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  drawStateSkin(dc, rect, control);
  skin::drawButtonText(dc, rect, *control, *this, skin::kWhite);
}

void Style_Edit::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  skin::drawScaled(dc, rect, imageOf(*this, editSkinOf(*control)), *this);
}

void Style_ToggleButton::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  skin::drawStretched(dc, rect, imageOf(*this, toggleSkinOf(*control)));
}

void Style_ButtonEx::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  if (const SkinImage* strip = imageOf(*this, names::src)) {
    const int frameHeight = strip->height() / 4;
    if (frameHeight > 0)
      strip->draw(dc, rect.left, rect.top, rect.width(), rect.height(), frameHeight * buttonExFrameOf(*control),
                  strip->width(), frameHeight);
  }
  skin::drawButtonText(dc, rect, *control, *this, skin::kWhite);
}

}  // namespace dui
