// The scrolling and choosing controls in one include: ScrollBar, ScrollPanel,
// ListBox, ComboBox (with its drop-down window) and Slider.
#pragma once

#include "dui/controls/combo_box.h"
#include "dui/controls/combo_drop_down.h"
#include "dui/controls/list_box.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/scroll_panel.h"
#include "dui/controls/slider.h"
