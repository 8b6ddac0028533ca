// ProgressBar: a background picture and a foreground picture revealed from the
// left in proportion to position / range.
#pragma once

#include <cstdint>

#include "dui/core/control.h"

namespace dui {

// HitTransparent, type name "ProgressBar". Paints "progressbkimg" over the
// whole rectangle, then reveals "progressimg" (laid over the rectangle shrunk
// by "progressmargin") up to the filled edge; each picture is a nine-grid
// with "progressbkScaleGrid" / "progressScaleGrid" when given, else
// stretched. A missing picture is skipped. Range starts at 1, position at 0;
// the markup's "range" and "value" (the position) are taken when it is first
// attached to a window.
class ProgressBar : public Control {
 public:
  ProgressBar();
  const wchar_t* typeName() const override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;

  // Sets the range and repaints; the position is not clamped again.
  void setRange(std::int32_t range);
  // Stores the smaller of position and the range (no lower bound) and repaints.
  void setPosition(std::int32_t position);
  std::int32_t range() const { return range_; }
  std::int32_t position() const { return position_; }

  // The right edge of the revealed part of `inner`: inner.left plus its width
  // times position / range, truncated, and never past either end. Without a
  // range or a position nothing is revealed (inner.left).
  static std::int32_t filledRight(const Rect& inner, std::int32_t position, std::int32_t range);

 private:
  void onAttached(Control* sender, Event& e);

  std::int32_t range_ = 1;
  std::int32_t position_ = 0;
  bool markupTaken_ = false;   // "range" and "value" are read once
};

}  // namespace dui
