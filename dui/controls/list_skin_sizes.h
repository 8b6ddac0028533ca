// The natural sizes the scrolling controls take from their skin images: the
// scroll bar's arrows, the bars' thickness and the slider's thumb. Kept apart
// so the controls' logic builds without images (the window-free native build
// stands in fixed sizes).
#pragma once

#include "dui/core/geometry.h"

namespace dui {

class Control;

// The sizes of the "upArrowUpSkin" and "downArrowUpSkin" images of the bar's
// style ("vscrollbar.xml" without one); 0 x 0 for a missing image.
void scrollArrowSizes(const Control& bar, Size& first, Size& second);
// The size of the "barSkin" image of the named style; 0 x 0 without one.
Size barSkinSize(const wchar_t* styleName);
// The size of the "thumbUpSkin" image of the slider's style ("slider.xml"
// when it has none or that style does not load); 0 x 0 without one.
Size sliderThumbSize(const Control& slider);

}  // namespace dui
