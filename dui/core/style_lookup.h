// Finding a skin's styles, images and fonts through the plugged-in skin source
// (dui/core/core_plugs.h): by name, by an object's attribute, and a control's
// style by its "style" attribute or the built-in style file of the controls
// that have one (check box "checkbox.xml", radio button "radiobutton.xml",
// edit "edit.xml", combo box "combobox.xml", scroll bar "vscrollbar.xml",
// slider "slider.xml"). Without a skin source every lookup answers null.
#pragma once

#include <string>

#include "dui/core/attribute_names.h"
#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"

namespace dui {

class Control;
class Object;
class SkinImage;
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

// The font a control without a "font" attribute, and a window, paint with.
inline constexpr wchar_t kDefaultFont[] = L"Default";

// When a control with a built-in style uses it instead of its "style".
enum class BuiltInStyle {
  WhenNoStyleAttribute,   // a "style" attribute always wins, loaded or not
  WhenNoStyleLoads,       // a "style" that names a missing file falls back too
  Always,                 // the "style" attribute is not consulted
};

// The style, image or font of that name from the skin source, or null.
Style* findStyle(const std::wstring& name);
SkinImage* findImage(const std::wstring& name);
HFONT findFont(const std::wstring& name);

// The image named by the object's text attribute `key`, or null when the
// attribute is missing or empty or the skin has no such image.
SkinImage* imageOf(const Object& object, AttrKey key);
// The font named by the control's "font" attribute, "Default" without one;
// null when the skin does not define it (the current font then stays).
HFONT controlFont(const Control& control);

// The style a control with a built-in style file draws with.
Style* controlStyle(const Control& control, const wchar_t* builtIn, BuiltInStyle rule);
// Draws the control with that style, if there is one.
void drawControlStyle(HDC dc, const Rect& rect, Control& control, const wchar_t* builtIn, BuiltInStyle rule);

}  // namespace dui
