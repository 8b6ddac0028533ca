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
class Button : public Control {
 public:
  Button();
  const wchar_t* typeName() const override;

  // The checked state (the Checked flag). Changing it repaints the control and
  // raises ValueChange (direct, parameters 0) synchronously; setting the
  // current state does nothing. Answers whether the state changed.
  bool setChecked(bool checked);
  bool isChecked() const { return hasFlag(flags::Checked); }

 private:
  void onLButtonUp(Control* sender, Event& e);
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
