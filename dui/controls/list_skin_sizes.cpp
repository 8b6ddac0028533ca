// Natural sizes of the scroll bar's and the slider's skin images.
#include "dui/controls/list_skin_sizes.h"

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

void scrollArrowSizes(const Control& bar, Size& first, Size& second) {
  const Style* style = controlStyle(bar, kVerticalScrollBarStyle, BuiltInStyle::WhenNoStyleAttribute);
  first = imageSize(style, names::upArrowUpSkin);
  second = imageSize(style, names::downArrowUpSkin);
}

Size barSkinSize(const wchar_t* styleName) { return imageSize(findStyle(styleName), names::barSkin); }

Size sliderThumbSize(const Control& slider) {
  return imageSize(controlStyle(slider, kSliderStyle, BuiltInStyle::WhenNoStyleLoads), names::thumbUpSkin);
}

}  // namespace dui
