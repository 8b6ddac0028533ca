// The clickable base of the button family: Button (the click rule and the
// checked state), IconButton and ImageButton.
#pragma once

#include "dui/core/control.h"

namespace dui {

// Enabled | Visible plus RepaintOnMouse, CaptureOnPress and ClearsFocus. A
// left release that arrives while the button holds the capture, with the
// cursor still inside it, posts a Click (direct, parameters 0) that runs after
// the release has been handled completely; the release is marked handled
// either way. Every member of the family reports the type name "Button".
//
// Keyboard: a tab stop. With the focus, Space pressed and released posts a
// Click; Enter posts one at once for a push button, while the toggling
// members leave Enter to the window's default button.
class Button : public Control {
 public:
  Button();
  const wchar_t* typeName() const override;

  // The checked state (the Checked flag). Changing it repaints the control and
  // raises ValueChange (direct, parameters 0) synchronously; setting the
  // current state does nothing. Answers whether the state changed.
  bool setChecked(bool checked);
  bool isChecked() const { return hasFlag(flags::Checked); }

 protected:
  // Enter clicks the focused button (push buttons only).
  bool clicksOnEnter_ = true;

 private:
  void onLButtonUp(Control* sender, Event& e);
  void onKeyDown(Control* sender, Event& e);
  void onKeyUp(Control* sender, Event& e);
  void onLostFocus(Control* sender, Event& e);

  bool keyDown_ = false;
};

// Drawn by a style of type "IconButton" (icon and text).
class IconButton : public Button {};

// Paints its own "img" image stretched over the whole rectangle, then its
// style (if any) on top.
class ImageButton : public Button {
 public:
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
};

}  // namespace dui
