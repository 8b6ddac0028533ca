// The click rule, the checked state and the image button's own image.
#include "dui/controls/button.h"

#include "dui/core/control_geometry.h"
#include "dui/core/deferred_call.h"
#include "dui/core/skin_image.h"
#include "dui/core/style_lookup.h"

namespace dui {

Button::Button() {
  setFlag(flags::ButtonLike, true);
  addHandler(events::LButtonUp, this, &Button::onLButtonUp);
}

const wchar_t* Button::typeName() const { return L"Button"; }

// The window raises LButtonUp directly at the capture holder before it
// releases the capture, so Captured tells a press that started here.
void Button::onLButtonUp(Control*, Event& e) {
  if (!hasFlag(flags::Captured)) return;
  Point cursor;
  if (cursorPosition(this, cursor)) {
    const std::int32_t width = rect().right - rect().left;
    const std::int32_t height = rect().bottom - rect().top;
    if (cursor.x >= 0 && cursor.y >= 0 && cursor.x < width && cursor.y < height) postEvent(this, makeEvent(events::Click));
  }
  e.handled = 1;
}

bool Button::setChecked(bool checked) {
  if (isChecked() == checked) return false;
  setFlag(flags::Checked, checked);
  // Repaint first: a ValueChange handler may destroy the control.
  invalidate(this, false);
  Event e = makeEvent(events::ValueChange);
  raiseEvent(this, e);
  return true;
}

void ImageButton::draw(HDC dc, const Rect& drawRect, const Rect& clip) {
  if (SkinImage* image = imageOf(*this, names::img))
    image->drawInRect(dc, drawRect.left, drawRect.top, drawRect.right, drawRect.bottom);
  Button::draw(dc, drawRect, clip);
}

}  // namespace dui
