// Scroll bar geometry: arrows, track, thumb, hit regions and the drag.
#include "dui/controls/scroll_geometry.h"

#include <algorithm>
#include <climits>

namespace dui {
namespace {

using P = ScrollBarParts;

// Along the bar (y of a vertical bar, x of a horizontal one) and across it.
std::int32_t along(const ScrollGeometry& g, std::int32_t x, std::int32_t y) { return g.vertical ? y : x; }
std::int32_t lengthOf(const ScrollGeometry& g) { return g.vertical ? g.height : g.width; }
std::int32_t breadthOf(const ScrollGeometry& g) { return g.vertical ? g.width : g.height; }

}  // namespace

Rect ScrollGeometry::firstArrow() const {
  const Size& a = firstArrowSize;
  if (vertical) {
    const std::int32_t x = (width - a.width) / 2;
    return Rect{x, 0, x + a.width, a.height};
  }
  const std::int32_t y = (height - a.height) / 2;
  return Rect{0, y, a.width, y + a.height};
}

Rect ScrollGeometry::secondArrow() const {
  const Size& a = secondArrowSize;
  if (vertical) {
    const std::int32_t x = (width - a.width) / 2;
    return Rect{x, height - a.height, x + a.width, height};
  }
  const std::int32_t y = (height - a.height) / 2;
  return Rect{width - a.width, y, width, y + a.height};
}

std::int32_t ScrollGeometry::trackStart() const { return vertical ? firstArrowSize.height : firstArrowSize.width; }

std::int32_t ScrollGeometry::trackLength() const {
  const std::int32_t end = lengthOf(*this) - (vertical ? secondArrowSize.height : secondArrowSize.width);
  return std::max(end - trackStart(), 0);
}

std::int32_t ScrollGeometry::thumbLength() const {
  const std::int64_t track = trackLength();
  const std::int64_t length = total > 0 ? std::int64_t{page} * track / total + 1 : track;
  return std::int32_t(std::max<std::int64_t>(std::min<std::int64_t>(length, track), kMinThumb));
}

std::int32_t ScrollGeometry::thumbStart() const {
  const std::int64_t range = std::int64_t{total} - page;
  const std::int64_t room = trackLength() - thumbLength();
  if (range <= 0 || room <= 0) return trackStart();
  const std::int64_t p = std::clamp<std::int64_t>(position, 0, range);
  return trackStart() + std::int32_t(room * p / range);
}

Rect ScrollGeometry::thumb() const {
  const std::int32_t start = thumbStart();
  const std::int32_t end = start + thumbLength();
  return vertical ? Rect{0, start, breadthOf(*this), end} : Rect{start, 0, end, breadthOf(*this)};
}

std::uint32_t ScrollGeometry::hit(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  if (firstArrow().contains(x, y)) return P::FirstArrowPressed;
  if (secondArrow().contains(x, y)) return P::SecondArrowPressed;
  if (total <= page) return 0;  // nothing to scroll: no thumb, no track
  if (thumb().contains(x, y)) return P::ThumbDragged;
  const std::int32_t a = along(*this, x, y);
  const std::int32_t trackEnd = trackStart() + trackLength();
  if (a >= trackStart() && a < thumbStart()) return P::TrackBeforePressed;
  if (a >= thumbStart() + thumbLength() && a < trackEnd) return P::TrackAfterPressed;
  return 0;
}

std::int32_t ScrollGeometry::positionForThumbAt(std::int32_t thumbStartWanted) const {
  const std::int64_t room = std::int64_t{trackLength()} - thumbLength();
  if (room <= 0) return 0;
  const std::int64_t range = std::int64_t{total} - page;
  return std::int32_t(std::clamp<std::int64_t>(range * (std::int64_t{thumbStartWanted} - trackStart()) / room,
                                               INT32_MIN, INT32_MAX));
}

}  // namespace dui
