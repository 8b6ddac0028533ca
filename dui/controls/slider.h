// Slider: a thumb on a track that sets a value from 0 to a maximum.
#pragma once

#include <cstdint>

#include "dui/core/control.h"
#include "dui/core/wheel_steps.h"

namespace dui {

// RepaintOnMouse, CaptureOnPress, ClearsFocus and bit 15 (wheel). Draws its
// "style", or "slider.xml" when it has none or that style does not load. Its
// Checked bit means the mouse is over the thumb. "orientation" "horizontal"
// (or none) lays it out horizontally, any other keyword vertically. The
// markup's "range" (the maximum) and "value" are taken when it is first
// attached to a window, without an event. A tab stop: with the focus Left and
// Up lower the value by 1, Right and Down raise it, Page Up and Page Down by a
// fifth of the maximum (at least 1), Home and End set 0 and the maximum.
class Slider : public Control {
 public:
  static constexpr std::uint32_t WheelFlag = 0x8000;   // bit 15

  Slider();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  // As tall (wide, when vertical) as the thumb image, the other way as offered.
  Size measureOverride(std::int32_t width, std::int32_t height) override;

  std::int32_t value() const { return value_; }
  std::int32_t maximum() const { return maximum_; }
  // Clamps to 0 .. maximum; a change is stored, repainted and raised as
  // ValueChange (direct, parameters 0). Answers whether it changed.
  bool setValue(std::int32_t value);
  // Sets the maximum (a negative one counts as 0) and repaints; a value
  // beyond it comes back to it, raised as ValueChange like any change.
  void setRange(std::int32_t maximum);
  bool vertical() const;
  // The thumb relative to the control: the size of the style's "thumbUpSkin"
  // image, placed along the slider at (length - thumb) * value / maximum.
  Rect thumbRect() const;
  // The value a pointer at (x, y), relative to the control, asks for.
  std::int32_t valueAt(std::int32_t x, std::int32_t y) const;

 private:
  Size thumbSize() const;
  void onLButtonDown(Control*, Event& e);
  void onMouseMove(Control*, Event& e);
  void onMouseLeave(Control*, Event& e);
  void onMouseWheel(Control*, Event& e);
  void onAttached(Control* sender, Event& e);
  void onKeyDown(Control*, Event& e);

  std::int32_t value_ = 50;
  std::int32_t maximum_ = 100;
  WheelSteps wheel_;
  bool markupTaken_ = false;   // "range" and "value" are read once
};

}  // namespace dui
