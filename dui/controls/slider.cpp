// The slider's measure, value, thumb and mouse handling.
#include "dui/controls/slider.h"

#include <windows.h>

#include <algorithm>

#include "dui/controls/list_skin_sizes.h"
#include "dui/controls/window_access.h"
#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout.h"
#include "dui/core/style_lookup.h"

namespace dui {

Slider::Slider() {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::ClearsFocus | flags::TabStop | WheelFlag, true);
  addHandler(events::KeyDown, this, &Slider::onKeyDown);
  addHandler(events::LButtonDown, this, &Slider::onLButtonDown);
  addHandler(events::MouseMove, this, &Slider::onMouseMove);
  addHandler(events::MouseLeave, this, &Slider::onMouseLeave);
  addHandler(events::MouseWheel, this, &Slider::onMouseWheel);
  addHandler(events::Attached, this, &Slider::onAttached);
}

void Slider::onAttached(Control* sender, Event&) {
  if (sender != this || markupTaken_) return;
  markupTaken_ = true;
  std::int32_t markup = 0;
  if (getInt(names::range, markup)) maximum_ = std::max(markup, 0);
  if (getInt(names::value, markup)) value_ = markup;
  value_ = std::clamp(value_, 0, maximum_);
}

void Slider::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kSliderStyle, BuiltInStyle::WhenNoStyleLoads);
}

bool Slider::vertical() const {
  AttrKey orientation = nullptr;
  return getEnum(names::orientation, orientation) && orientation != names::kwHorizontal;
}

Size Slider::thumbSize() const { return sliderThumbSize(*this); }

Size Slider::measureOverride(std::int32_t width, std::int32_t height) {
  const Size thumb = thumbSize();
  return vertical() ? Size{thumb.width, height} : Size{width, thumb.height};
}

bool Slider::setValue(std::int32_t value) {
  const std::int32_t clamped = std::clamp(value, 0, std::max(maximum_, 0));
  if (clamped == value_) return false;
  value_ = clamped;
  invalidate(this, false);  // first: a ValueChange handler may destroy the slider
  announceChange(this, AccessibleChange::Value);
  Event e = makeEvent(events::ValueChange);
  raiseEvent(this, e);
  return true;
}

void Slider::setRange(std::int32_t maximum) {
  maximum_ = std::max(maximum, 0);
  invalidate(this, false);
  setValue(value_);   // back into the range; raises only when it moved
}

Rect Slider::thumbRect() const {
  const Size thumb = thumbSize();
  if (maximum_ <= 0) return Rect{0, 0, thumb.width, thumb.height};
  if (vertical()) {
    const std::int32_t top = std::int32_t(std::int64_t{rect().height() - thumb.height} * value_ / maximum_);
    return Rect{0, top, rect().width(), top + thumb.height};
  }
  const std::int32_t left = std::int32_t(std::int64_t{rect().width() - thumb.width} * value_ / maximum_);
  return Rect{left, 0, left + thumb.width, rect().height()};
}

std::int32_t Slider::valueAt(std::int32_t x, std::int32_t y) const {
  const Size thumb = thumbSize();
  const bool v = vertical();
  const std::int64_t half = (v ? thumb.height : thumb.width) / 2;
  const std::int64_t start = half;
  const std::int64_t end = (v ? rect().height() : rect().width()) - half;
  if (end <= start) return 0;
  const std::int64_t value = ((v ? y : x) - start) * maximum_ / (end - start);
  return clampToInt32(value);
}

void Slider::onLButtonDown(Control*, Event& e) {
  e.handled = 1;
  Point p;
  if (pointerInControl(this, e.lparam, p)) setValue(valueAt(p.x, p.y));
}

void Slider::onMouseMove(Control*, Event& e) {
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return;
  if (hasFlag(flags::Captured)) {
    setValue(valueAt(p.x, p.y));
    return;
  }
  const bool over = thumbRect().contains(p.x, p.y);
  if (over != hasFlag(flags::Checked)) {
    setFlag(flags::Checked, over);
    invalidate(this, false);
  }
}

void Slider::onMouseLeave(Control*, Event&) {
  if (!hasFlag(flags::Checked)) return;
  setFlag(flags::Checked, false);
  invalidate(this, false);
}

void Slider::onKeyDown(Control* sender, Event& e) {
  if (sender != this) return;
  const std::int64_t page = std::max<std::int64_t>(maximum_ / 5, 1);
  std::int64_t next = value_;
  switch (e.wparam) {
    case VK_LEFT:
    case VK_UP: next -= 1; break;
    case VK_RIGHT:
    case VK_DOWN: next += 1; break;
    case VK_PRIOR: next -= page; break;
    case VK_NEXT: next += page; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = maximum_; break;
    default: return;
  }
  e.handled = 1;
  setValue(clampToInt32(next));
}

void Slider::onMouseWheel(Control*, Event& e) {
  if (!hasFlag(WheelFlag)) return;
  e.handled = 1;
  const std::uint32_t serial = this->serial();
  // Two steps a notch; smaller deltas add up.
  setValue(clampToInt32(std::int64_t{value_} + wheel_.take(GET_WHEEL_DELTA_WPARAM(e.wparam), 2)));
  if (controlExists(this, serial)) postPointerMove(this);
}

}  // namespace dui
