// Flags, type name and painting of the button family.
#include "dui/controls/button_family.h"

#include "dui/markup/skin_resources.h"
#include "dui/markup/style_lookup.h"

namespace dui {

Button::Button() { setFlag(flags::ButtonLike, true); }

const wchar_t* Button::typeName() const { return L"Button"; }

void ImageButton::draw(HDC dc, const Rect& drawRect, const Rect& clip) {
  if (const std::wstring* name = findString(names::img)) {
    if (SkinImage* image = skinResources().getImage(*name))
      image->drawInRect(dc, drawRect.left, drawRect.top, drawRect.right, drawRect.bottom);
  }
  Button::draw(dc, drawRect, clip);
}

void CheckBox::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kCheckBoxStyle, BuiltInStyle::WhenNoStyleAttribute);
}

void RadioButton::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kRadioButtonStyle, BuiltInStyle::Always);
}

}  // namespace dui
