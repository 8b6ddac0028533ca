// Finding a control's style: by its "style" attribute, or a built-in style
// file for the controls that have one (check box "checkbox.xml", radio button
// "radiobutton.xml", edit "edit.xml", combo box "combobox.xml", scroll bar
// "vscrollbar.xml", slider "slider.xml").
#pragma once

#include <string>

#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"

namespace dui {

class Control;
class Style;

// The built-in style file names.
inline constexpr wchar_t kCheckBoxStyle[] = L"checkbox.xml";
inline constexpr wchar_t kRadioButtonStyle[] = L"radiobutton.xml";
inline constexpr wchar_t kEditStyle[] = L"edit.xml";
inline constexpr wchar_t kComboBoxStyle[] = L"combobox.xml";
inline constexpr wchar_t kComboDroppedStyle[] = L"ComboDropped_Bkgnd.xml";
inline constexpr wchar_t kVerticalScrollBarStyle[] = L"vscrollbar.xml";
inline constexpr wchar_t kHorizontalScrollBarStyle[] = L"hscrollbar.xml";
inline constexpr wchar_t kSliderStyle[] = L"slider.xml";

// When a control with a built-in style uses it instead of its "style".
enum class BuiltInStyle {
  WhenNoStyleAttribute,   // a "style" attribute always wins, loaded or not
  WhenNoStyleLoads,       // a "style" that names a missing file falls back too
  Always,                 // the "style" attribute is not consulted
};

// The style of that name from the current style source (the skin package),
// or null.
Style* findStyle(const std::wstring& name);
// The style a control with a built-in style file draws with.
Style* controlStyle(const Control& control, const wchar_t* builtIn, BuiltInStyle rule);
// Draws the control with that style, if there is one.
void drawControlStyle(HDC dc, const Rect& rect, Control& control, const wchar_t* builtIn, BuiltInStyle rule);

}  // namespace dui
