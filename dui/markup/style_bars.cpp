// Bar skins: Style_ScrollBar (bar, two arrows, thumb) and Style_Slider (bar,
// track, thumb).
#include "dui/controls/list_controls.h"
#include "dui/core/skin_image.h"
#include "dui/markup/style_paint.h"
#include "dui/markup/styles.h"

namespace dui {
namespace {

struct ArrowSkins {
  AttrKey disabled, down, over, up;
};

constexpr ArrowSkins kFirstArrow{names::upArrowDisabledSkin, names::upArrowDownSkin, names::upArrowOverSkin,
                                 names::upArrowUpSkin};
constexpr ArrowSkins kSecondArrow{names::downArrowDisabledSkin, names::downArrowDownSkin, names::downArrowOverSkin,
                                  names::downArrowUpSkin};

AttrKey arrowSkinOf(const ArrowSkins& skins, bool enabled, bool pressed, bool over) {
  if (!enabled) return skins.disabled;
  if (pressed) return skins.down;
  if (over) return skins.over;
  return skins.up;
}

Rect inBar(const Rect& part, const Rect& bar) { return part.offset(bar.left, bar.top); }

}  // namespace

void Style_ScrollBar::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  const ScrollBar* bar = dynamic_cast<const ScrollBar*>(control);
  drawParts(dc, rect, control->hasFlag(flags::Enabled), bar ? bar->parts() : ScrollBarParts{});
}

void Style_ScrollBar::drawParts(HDC dc, const Rect& rect, bool enabled, const ScrollBarParts& parts) {
  using P = ScrollBarParts;
  skin::drawScaled(dc, rect, imageOf(*this, names::barSkin), *this);
  skin::drawStretched(dc, inBar(parts.firstArrow, rect),
                      imageOf(*this, arrowSkinOf(kFirstArrow, enabled, parts.state & P::FirstArrowPressed,
                                                       parts.state & P::FirstArrowOver)));
  skin::drawStretched(dc, inBar(parts.secondArrow, rect),
                      imageOf(*this, arrowSkinOf(kSecondArrow, enabled, parts.state & P::SecondArrowPressed,
                                                       parts.state & P::SecondArrowOver)));
  if (!enabled) return;
  AttrKey thumbSkin = names::thumbUpSkin;
  AttrKey thumbIcon = names::thumbUpIcon;
  if (parts.state & P::ThumbDragged) {
    thumbSkin = names::thumbDownSkin;
    thumbIcon = names::thumbDownIcon;
  } else if (parts.state & P::ThumbOver) {
    thumbSkin = names::thumbOverSkin;
    thumbIcon = names::thumbOverIcon;
  }
  const Rect thumb = inBar(parts.thumb, rect);
  const Rect narrowed{thumb.left + 1, thumb.top, thumb.right - 1, thumb.bottom};
  skin::drawNineGrid(dc, narrowed, imageOf(*this, thumbSkin), rectOr(names::thumbScaleGrid, Rect{}));
  const SkinImage* icon = imageOf(*this, thumbIcon);
  skin::drawAt(dc, (thumb.left + thumb.right - skin::widthOf(icon)) / 2,
               (thumb.top + thumb.bottom - skin::heightOf(icon)) / 2, icon);
}

void Style_Slider::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  const Slider* slider = dynamic_cast<const Slider*>(control);
  drawParts(dc, rect, control->flagWord(), slider ? slider->thumbRect() : Rect{});
}

void Style_Slider::drawParts(HDC dc, const Rect& rect, std::uint32_t controlFlags, const Rect& thumbRelative) {
  const Rect thumb = inBar(thumbRelative, rect);
  const int centre = (thumb.left + thumb.right) / 2;
  const Rect insets = rectOr(names::scaleGrid, Rect{});
  const SkinImage* bar = imageOf(*this, names::barSkin);
  const int barTop = (rect.top + rect.bottom - skin::heightOf(bar)) / 2;
  skin::drawNineGrid(dc, Rect{centre, barTop, rect.right, barTop + skin::heightOf(bar)}, bar, insets);
  const SkinImage* track = imageOf(*this, names::trackSkin);
  const int trackTop = (rect.top + rect.bottom - skin::heightOf(track)) / 2;
  skin::drawNineGrid(dc, Rect{rect.left, trackTop, centre, trackTop + skin::heightOf(track)}, track, insets);
  if (thumb.empty()) return;
  AttrKey thumbSkin = names::thumbUpSkin;
  if (controlFlags & flags::Captured) thumbSkin = names::thumbDownSkin;
  else if (controlFlags & flags::Checked) thumbSkin = names::thumbOverSkin;   // the mouse is over the thumb
  skin::drawStretched(dc, thumb, imageOf(*this, thumbSkin));
}

}  // namespace dui
