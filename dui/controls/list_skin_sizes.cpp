// Natural sizes of the scroll bar's and the slider's skin images.
#include "dui/controls/list_skin_sizes.h"

#include "dui/core/control.h"
#include "dui/core/skin_image.h"
#include "dui/core/style.h"
#include "dui/core/style_lookup.h"

namespace dui {
namespace {

Size imageSize(const Style* style, AttrKey key) {
  SkinImage* image = style ? imageOf(*style, key) : nullptr;
  return image ? Size{image->width(), image->height()} : Size{};
}

}  // namespace

ScrollBarSkin scrollBarSkin(const Control& bar, bool vertical) {
  if (vertical || bar.findString(names::style))
    return ScrollBarSkin{controlStyle(bar, kVerticalScrollBarStyle, BuiltInStyle::WhenNoStyleAttribute), false};
  if (Style* horizontal = findStyle(kHorizontalScrollBarStyle)) return ScrollBarSkin{horizontal, false};
  return ScrollBarSkin{findStyle(kVerticalScrollBarStyle), true};
}

void scrollArrowSizes(const Control& bar, bool vertical, Size& first, Size& second) {
  const ScrollBarSkin skin = scrollBarSkin(bar, vertical);
  first = imageSize(skin.style, names::upArrowUpSkin);
  second = imageSize(skin.style, names::downArrowUpSkin);
  if (skin.turned) {
    first = Size{first.height, first.width};
    second = Size{second.height, second.width};
  }
}

Size barSkinSize(const wchar_t* styleName) { return imageSize(findStyle(styleName), names::barSkin); }

std::int32_t horizontalBarThickness() {
  if (const Style* horizontal = findStyle(kHorizontalScrollBarStyle)) return imageSize(horizontal, names::barSkin).height;
  return barSkinSize(kVerticalScrollBarStyle).width;
}

Size sliderThumbSize(const Control& slider) {
  return imageSize(controlStyle(slider, kSliderStyle, BuiltInStyle::WhenNoStyleLoads), names::thumbUpSkin);
}

}  // namespace dui
