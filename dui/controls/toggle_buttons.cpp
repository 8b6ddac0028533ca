// Click handlers and built-in styles of the toggling buttons.
#include "dui/controls/toggle_buttons.h"

#include "dui/core/style_lookup.h"

namespace dui {

// The toggling members leave Enter to the window (its default button).
ToggleButton::ToggleButton() {
  clicksOnEnter_ = false;
  addHandler(events::Click, this, &ToggleButton::onClick);
}

void ToggleButton::onClick(Control*, Event&) { setChecked(!isChecked()); }

CheckBox::CheckBox() {
  clicksOnEnter_ = false;
  addHandler(events::Click, this, &CheckBox::onClick);
}

void CheckBox::onClick(Control*, Event&) { setChecked(!isChecked()); }

void CheckBox::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kCheckBoxStyle, BuiltInStyle::WhenNoStyleAttribute);
}

RadioButton::RadioButton() {
  clicksOnEnter_ = false;
  addHandler(events::Click, this, &RadioButton::onClick);
}

void RadioButton::onClick(Control*, Event&) { setChecked(true); }

bool RadioButton::isOptionButton() const { return true; }

void RadioButton::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kRadioButtonStyle, BuiltInStyle::Always);
}

}  // namespace dui
