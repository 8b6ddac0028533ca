// The text controls in one include: Label, LinkLabel, Edit and TextBox.
#pragma once

#include "dui/controls/edit.h"
#include "dui/controls/label.h"
#include "dui/controls/text_box.h"
