// The plain Style: the control's state skin from the skin source.
#include "dui/core/style.h"

#include "dui/core/control.h"
#include "dui/core/skin_placement.h"
#include "dui/core/style_lookup.h"

namespace dui {
namespace {

// The four-state rule of the plain Style and the skins built on it.
AttrKey stateSkinOf(const Control& c) {
  if (!c.hasFlag(flags::Enabled)) return names::disabledSkin;
  if (c.hasFlag(flags::Captured) || c.hasFlag(flags::Checked)) return names::downSkin;
  if (c.hasFlag(flags::MouseOver) || c.hasFlag(flags::Focused)) return names::overSkin;
  return names::upSkin;
}

}  // namespace

void Style::draw(HDC dc, const Rect& rect, Control* control) { drawStateSkin(dc, rect, control); }

void Style::drawStateSkin(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  skin::drawScaled(dc, rect, imageOf(*this, stateSkinOf(*control)), *this);
}

}  // namespace dui
