// Flags, built-in styles and style geometry of the scrolling controls.
#include "dui/controls/list_controls.h"

#include "dui/core/skin_image.h"
#include "dui/core/style.h"
#include "dui/core/style_lookup.h"

namespace dui {

ScrollBar::ScrollBar() { setFlag(flags::RepaintOnMouse | flags::CaptureOnPress, true); }

void ScrollBar::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kVerticalScrollBarStyle, BuiltInStyle::WhenNoStyleAttribute);
}

ComboBox::ComboBox() { setFlag(flags::RepaintOnMouse | flags::ClearsFocus, true); }

void ComboBox::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kComboBoxStyle, BuiltInStyle::WhenNoStyleLoads);
}

Slider::Slider() {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::ClearsFocus | WheelFlag, true);
}

void Slider::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kSliderStyle, BuiltInStyle::WhenNoStyleLoads);
}

Rect Slider::thumbRect() const {
  Style* style = controlStyle(*this, kSliderStyle, BuiltInStyle::WhenNoStyleLoads);
  SkinImage* thumb = style ? imageOf(*style, names::thumbUpSkin) : nullptr;
  const std::int32_t thumbWidth = thumb ? thumb->width() : 0;
  const std::int32_t left =
      maximum_ > 0 ? std::int32_t((long long)(rect().width() - thumbWidth) * value_ / maximum_) : 0;
  return Rect{left, 0, left + thumbWidth, rect().height()};
}

}  // namespace dui
