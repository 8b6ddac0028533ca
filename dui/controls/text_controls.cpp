// Flags, type names and the edit frame of the text controls.
#include "dui/controls/text_controls.h"

#include "dui/markup/style_lookup.h"

namespace dui {

Label::Label() { setFlag(flags::HitTransparent, true); }

LinkLabel::LinkLabel() { setFlag(flags::HitTransparent, false); }

Edit::Edit() { setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::Focusable, true); }

void Edit::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kEditStyle, BuiltInStyle::WhenNoStyleLoads);
}

const wchar_t* Edit::typeName() const { return L"Edit"; }

TextBox::TextBox() {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress | flags::Focusable | flags::DoubleClicks, true);
}

const wchar_t* TextBox::typeName() const { return L"TextBox"; }

}  // namespace dui
