// The button family as the markup builds it: Button, IconButton, ImageButton,
// ToggleButton, ToggleIconButton, CheckBox and RadioButton. For now they carry
// their flags, type name and painting (their style, the built-in style files
// of the check box and radio button, the image button's own image); the click
// rule and the checked-state toggling are still to come.
#pragma once

#include "dui/core/control.h"

namespace dui {

// Enabled | Visible plus RepaintOnMouse, CaptureOnPress and ClearsFocus.
class Button : public Control {
 public:
  Button();
  const wchar_t* typeName() const override;
};

// Drawn by a style of type "IconButton" (icon and text).
class IconButton : public Button {};

// Paints its own "img" image over the whole rectangle, then its style.
class ImageButton : public Button {
 public:
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
};

class ToggleButton : public Button {};

class ToggleIconButton : public ToggleButton {};

// Its "style", or "checkbox.xml" without one.
class CheckBox : public Button {
 public:
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
};

// Always "radiobutton.xml"; its "style" attribute is not consulted.
class RadioButton : public Button {
 public:
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
};

}  // namespace dui
