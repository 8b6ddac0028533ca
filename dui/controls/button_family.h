// The whole button family in one include: Button, IconButton, ImageButton,
// ToggleButton, ToggleIconButton, CheckBox and RadioButton.
#pragma once

#include "dui/controls/button.h"
#include "dui/controls/toggle_buttons.h"
