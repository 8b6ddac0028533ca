// The toggling members of the button family: ToggleButton, ToggleIconButton,
// CheckBox and RadioButton. Each registers its Click handler on itself at
// construction, before any script handler, and leaves Click unhandled so the
// script's handlers run too.
#pragma once

#include "dui/controls/button.h"

namespace dui {

// Each click flips the checked state (and so raises ValueChange).
class ToggleButton : public Button {
 public:
  ToggleButton();

 private:
  void onClick(Control* sender, Event& e);
};

// Drawn by a style of type "ToggleIconButton".
class ToggleIconButton : public ToggleButton {};

// Each click flips the checked state. Draws its "style", or "checkbox.xml"
// without one.
class CheckBox : public Button {
 public:
  CheckBox();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;

 private:
  void onClick(Control* sender, Event& e);
};

// A click checks it; a checked radio button stays checked. Radio buttons do
// not uncheck one another: grouping is the script's business. An arrow key
// from one moves to the radio button beside it and clicks it (isOptionButton),
// so the script's Click handler sees the same as for the mouse. Always draws
// with "radiobutton.xml"; its "style" attribute is not consulted.
class RadioButton : public Button {
 public:
  RadioButton();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  bool isOptionButton() const override;

 private:
  void onClick(Control* sender, Event& e);
};

}  // namespace dui
