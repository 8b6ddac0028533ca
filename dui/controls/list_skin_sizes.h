// The natural sizes the scrolling controls take from their skin images: the
// scroll bar's arrows, the bars' thickness and the slider's thumb. Kept apart
// so the controls' logic builds without images (the window-free native build
// stands in fixed sizes).
#pragma once

#include <cstdint>

#include "dui/core/geometry.h"

namespace dui {

class Control;
class Style;

// How a scroll bar is skinned: the style it draws with (null when there is
// none) and whether that style's images are turned a quarter. A bar with a
// "style" draws with it as it is; a vertical bar otherwise with
// "vscrollbar.xml"; a horizontal one with "hscrollbar.xml" when the skin has
// it (its "up" images are the left arrow, its "down" images the right one),
// else with "vscrollbar.xml" turned, so its arrows point left and right.
struct ScrollBarSkin {
  Style* style = nullptr;
  bool turned = false;
};
ScrollBarSkin scrollBarSkin(const Control& bar, bool vertical);

// The sizes of the "upArrowUpSkin" and "downArrowUpSkin" images of the bar's
// skin (scrollBarSkin), turned with it; 0 x 0 for a missing image.
void scrollArrowSizes(const Control& bar, bool vertical, Size& first, Size& second);
// The size of the "barSkin" image of the named style; 0 x 0 without one.
Size barSkinSize(const wchar_t* styleName);
// How tall a horizontal bar is: the height of "hscrollbar.xml"'s "barSkin",
// or, when the skin has no such style, the width of "vscrollbar.xml"'s (the
// vertical bar turned).
std::int32_t horizontalBarThickness();
// The size of the "thumbUpSkin" image of the slider's style ("slider.xml"
// when it has none or that style does not load); 0 x 0 without one.
Size sliderThumbSize(const Control& slider);

}  // namespace dui
