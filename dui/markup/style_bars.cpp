// Bar skins: Style_ScrollBar (bar, two arrows, thumb; turned for a horizontal
// bar that borrows the vertical skin) and Style_Slider (bar, track, thumb).
#include "dui/controls/list_controls.h"
#include "dui/controls/list_skin_sizes.h"
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
  if (!bar) {
    drawParts(dc, rect, control->hasFlag(flags::Enabled), ScrollBarParts{});
    return;
  }
  // Turned only when this style stands in for a missing horizontal skin.
  const ScrollBarSkin skin = scrollBarSkin(*bar, bar->vertical());
  drawParts(dc, rect, control->hasFlag(flags::Enabled), bar->parts(), bar->vertical(),
            skin.turned && skin.style == this);
}

const SkinImage* Style_ScrollBar::image(AttrKey key, bool turned) {
  SkinImage* source = imageOf(*this, key);
  if (!turned || !source) return source;
  std::unique_ptr<SkinImage>& copy = turnedImages_[source];
  if (!copy) {
    copy = std::make_unique<SkinImage>();
    copy->loadTurned(*source);   // a failure leaves an empty image, which draws nothing
  }
  return copy.get();
}

bool Style_ScrollBar::grid(AttrKey key, bool turned, Rect& insets) const {
  if (!getRect(key, insets)) return false;
  if (turned) insets = Rect{insets.top, insets.left, insets.bottom, insets.right};
  return true;
}

void Style_ScrollBar::drawParts(HDC dc, const Rect& rect, bool enabled, const ScrollBarParts& parts, bool vertical,
                                bool turned) {
  using P = ScrollBarParts;
  Rect insets;
  if (grid(names::scaleGrid, turned, insets)) skin::drawNineGrid(dc, rect, image(names::barSkin, turned), insets);
  else skin::drawStretched(dc, rect, image(names::barSkin, turned));
  skin::drawStretched(dc, inBar(parts.firstArrow, rect),
                      image(arrowSkinOf(kFirstArrow, enabled, parts.state & P::FirstArrowPressed,
                                        parts.state & P::FirstArrowOver),
                            turned));
  skin::drawStretched(dc, inBar(parts.secondArrow, rect),
                      image(arrowSkinOf(kSecondArrow, enabled, parts.state & P::SecondArrowPressed,
                                        parts.state & P::SecondArrowOver),
                            turned));
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
  // A pixel off each side across the bar.
  const Rect narrowed = vertical ? Rect{thumb.left + 1, thumb.top, thumb.right - 1, thumb.bottom}
                                 : Rect{thumb.left, thumb.top + 1, thumb.right, thumb.bottom - 1};
  Rect thumbInsets;
  if (!grid(names::thumbScaleGrid, turned, thumbInsets)) thumbInsets = Rect{};
  skin::drawNineGrid(dc, narrowed, image(thumbSkin, turned), thumbInsets);
  const SkinImage* icon = image(thumbIcon, turned);
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
