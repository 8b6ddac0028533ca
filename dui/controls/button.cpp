// The click rule, the checked state and the image button's own image.
#include "dui/controls/button.h"

#include <windows.h>

#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/deferred_call.h"
#include "dui/core/skin_image.h"
#include "dui/core/style_lookup.h"

namespace dui {

Button::Button() {
  setFlag(flags::ButtonLike | flags::TabStop, true);
  addHandler(events::LButtonUp, this, &Button::onLButtonUp);
  addHandler(events::KeyDown, this, &Button::onKeyDown);
  addHandler(events::KeyUp, this, &Button::onKeyUp);
  addHandler(events::LostFocus, this, &Button::onLostFocus);
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

// Space goes down and up on the button (a held key repeats its down, which
// changes nothing); the release clicks. Enter clicks a push button at once.
void Button::onKeyDown(Control* sender, Event& e) {
  if (sender != this || !hasFlag(flags::Enabled)) return;
  if (e.wparam == VK_SPACE) {
    e.handled = 1;
    keyDown_ = true;
  } else if (e.wparam == VK_RETURN && clicksOnEnter_) {
    e.handled = 1;
    postEvent(this, makeEvent(events::Click));
  }
}

void Button::onKeyUp(Control* sender, Event& e) {
  if (sender != this || e.wparam != VK_SPACE || !keyDown_) return;
  keyDown_ = false;
  e.handled = 1;
  if (hasFlag(flags::Enabled)) postEvent(this, makeEvent(events::Click));
}

// The focus leaving while Space is down lets the button up without a click.
void Button::onLostFocus(Control* sender, Event&) {
  if (sender == this) keyDown_ = false;
}

bool Button::setChecked(bool checked) {
  if (isChecked() == checked) return false;
  setFlag(flags::Checked, checked);
  // Repaint first: a ValueChange handler may destroy the control.
  invalidate(this, false);
  announceChange(this, AccessibleChange::State);
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
