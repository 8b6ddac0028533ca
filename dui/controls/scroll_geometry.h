// The window-free arithmetic of a scroll bar: where its arrows, track and
// thumb lie, which part a point hits and which position a thumb drag asks for.
#pragma once

#include <cstdint>

#include "dui/core/geometry.h"

namespace dui {

// What a scroll bar tells its style: the arrow and thumb rectangles relative
// to the bar, and its part state bits.
struct ScrollBarParts {
  enum : std::uint32_t {
    FirstArrowOver = 1,
    SecondArrowOver = 2,
    ThumbOver = 4,
    FirstArrowPressed = 16,
    SecondArrowPressed = 32,
    ThumbDragged = 64,
    TrackBeforePressed = 4096,
    TrackAfterPressed = 8192,
    HoverBits = FirstArrowOver | SecondArrowOver | ThumbOver,
    PressedBits = FirstArrowPressed | SecondArrowPressed | ThumbDragged | TrackBeforePressed | TrackAfterPressed,
  };
  Rect firstArrow;
  Rect secondArrow;
  Rect thumb;
  std::uint32_t state = 0;
};

// The Notify actions (the event's first parameter); a drag carries the
// position it asks for as the second.
namespace scroll_actions {
enum : std::uint32_t { LineBack = 2, LineForward = 3, PageBack = 4, PageForward = 5, ThumbDrag = 6 };
}

// Window-free geometry of a bar of the given size: the arrows keep their
// natural sizes (centred across the bar), the track lies between them and the
// thumb's length is page * track / total + 1, at least 20 pixels.
struct ScrollGeometry {
  bool vertical = true;
  std::int32_t width = 0, height = 0;
  Size firstArrowSize, secondArrowSize;
  std::int32_t total = 0, page = 0, position = 0;

  static constexpr std::int32_t kMinThumb = 20;

  Rect firstArrow() const;
  Rect secondArrow() const;
  std::int32_t trackStart() const;
  std::int32_t trackLength() const;
  std::int32_t thumbLength() const;
  std::int32_t thumbStart() const;
  Rect thumb() const;
  // The part under a point relative to the bar: one of the pressed bits of
  // ScrollBarParts, or 0.
  std::uint32_t hit(std::int32_t x, std::int32_t y) const;
  // The position that puts the thumb's start at `thumbStartWanted` (the
  // inverse of the thumb placement, integer division).
  std::int32_t positionForThumbAt(std::int32_t thumbStartWanted) const;
};

}  // namespace dui
