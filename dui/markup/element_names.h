// The element names a layout file may use, as one list that needs nothing of
// the controls: the element factory makes a control for each (a test keeps
// the two the same), and the content checker, which runs on the build
// machine, tells a layout's unknown elements by it.
#pragma once

namespace dui {

inline constexpr const char* kLayoutElementNames[] = {
    "Window",      "Canvas",       "StackPanel",  "DockPanel", "Grid",       "ScrollPanel", "ListBox",
    "TabControl",  "TabItem",      "ComboBox",    "Button",    "IconButton", "ToggleButton",
    "ToggleIconButton", "RadioButton", "CheckBox", "ImageButton", "Label",   "LinkLabel",   "Edit",
    "TextBox",     "Slider",       "TitleBar",    "ProgressBar", "PowerPoint", "Seperator", "Image",
    "WebBrowser",
};

// The attributes that set a control's flags instead of a stored value
// (setter_table.h): known to every element besides the attribute table's.
inline constexpr const char* kFlagAttributeNames[] = {"visible", "enabled", "transparent"};

}  // namespace dui
