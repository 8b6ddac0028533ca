// Progress bar state and painting.
#include "dui/controls/progress_bar.h"

#include <algorithm>

#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/dc_clip.h"
#include "dui/core/skin_placement.h"
#include "dui/core/style_lookup.h"

namespace dui {
namespace {

// Nine-grid when the object has the grid attribute, stretched otherwise.
void drawLayer(HDC dc, const Rect& rect, const Control& control, AttrKey image, AttrKey grid) {
  const SkinImage* picture = imageOf(control, image);
  if (!picture) return;
  Rect insets;
  if (control.getRect(grid, insets))
    skin::drawNineGrid(dc, rect, picture, insets);
  else
    skin::drawStretched(dc, rect, picture);
}

}  // namespace

ProgressBar::ProgressBar() {
  setFlag(flags::HitTransparent, true);
  addHandler(events::Attached, this, &ProgressBar::onAttached);
}

void ProgressBar::onAttached(Control* sender, Event&) {
  if (sender != this || markupTaken_) return;
  markupTaken_ = true;
  std::int32_t markup = 0;
  if (getInt(names::range, markup)) range_ = markup;
  if (getInt(names::value, markup)) position_ = std::min(markup, range_);
}

const wchar_t* ProgressBar::typeName() const { return L"ProgressBar"; }

void ProgressBar::setRange(std::int32_t range) {
  const bool changed = range != range_;
  range_ = range;
  invalidate(this, false);
  if (changed) announceChange(this, AccessibleChange::Value);
}

void ProgressBar::setPosition(std::int32_t position) {
  const std::int32_t next = std::min(position, range_);
  const bool changed = next != position_;
  position_ = next;
  invalidate(this, false);
  if (changed) announceChange(this, AccessibleChange::Value);  // screen readers follow the install
}

std::int32_t ProgressBar::filledRight(const Rect& inner, std::int32_t position, std::int32_t range) {
  if (range == 0 || position == 0 || inner.right <= inner.left) return inner.left;
  const std::int64_t span = std::int64_t{inner.right} - inner.left;
  const std::int64_t filled = span * position / range;   // a negative ratio reveals nothing
  return static_cast<std::int32_t>(inner.left + std::clamp<std::int64_t>(filled, 0, span));
}

void ProgressBar::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawLayer(dc, drawRect, *this, names::progressbkimg, names::progressbkScaleGrid);
  if (range_ == 0 || position_ == 0) return;
  const Rect m = rectOr(names::progressmargin, Rect{});
  const Rect inner{drawRect.left + m.left, drawRect.top + m.top, drawRect.right - m.right, drawRect.bottom - m.bottom};
  if (inner.empty()) return;
  const Rect revealed{inner.left, inner.top, filledRight(inner, position_, range_), inner.bottom};
  if (revealed.empty()) return;
  // The foreground keeps its full size and is cut at the filled edge, so it
  // is revealed rather than squeezed.
  ScopedClip clipped(dc, revealed);
  if (clipped.ok()) drawLayer(dc, inner, *this, names::progressimg, names::progressScaleGrid);
}

}  // namespace dui
