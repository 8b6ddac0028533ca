// The text controls as the markup builds them: Label, LinkLabel, Edit and
// TextBox. For now they carry their flags, type names and the edit's built-in
// frame style; text drawing, editing and the caret are still to come.
#pragma once

#include "dui/core/control.h"

namespace dui {

// Display only: HitTransparent, so clicks reach what lies below.
class Label : public Control {
 public:
  Label();
};

// A label that takes clicks (HitTransparent cleared).
class LinkLabel : public Label {
 public:
  LinkLabel();
};

// RepaintOnMouse, CaptureOnPress, Focusable. Draws its "style", or
// "edit.xml" when it has none or that style does not load.
class Edit : public Control {
 public:
  Edit();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  const wchar_t* typeName() const override;
};

// As Edit plus DoubleClicks; draws its "style" only (no built-in style).
class TextBox : public Control {
 public:
  TextBox();
  const wchar_t* typeName() const override;
};

}  // namespace dui
