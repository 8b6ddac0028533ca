// Style: the skin object that draws a control, and where controls find styles.
#pragma once

#include <string>

#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"
#include "dui/core/object.h"

namespace dui {

class Control;

// An Object whose second virtual operation draws a control into a rectangle
// given in window coordinates. The plain Style draws the control's state skin;
// concrete skins (Style_Button, ...) derive from it. Both drawing operations
// are defined with the skins (dui/markup/style_state.cpp).
class Style : public Object {
 public:
  // The plain Style: exactly drawStateSkin, so a style file of type "Style"
  // is a four-state skin without text.
  virtual void draw(HDC dc, const Rect& rect, Control* control);
  // One of the four state skins, first match: not Enabled "disabledSkin";
  // Captured or Checked "downSkin"; MouseOver or Focused "overSkin"; else
  // "upSkin". Nine-grid with "scaleGrid" when present, else stretched. A
  // missing attribute or image draws nothing (no other state stands in).
  void drawStateSkin(HDC dc, const Rect& rect, Control* control);
};

// Finds styles by name for Control::draw (SkinResources implements it).
class StyleSource {
 public:
  virtual Style* getStyle(const std::wstring& name) = 0;

 protected:
  ~StyleSource() = default;
};

// The source used by Control::draw; none (the default) draws nothing. The
// source must outlive every draw; set it back to nullptr before destroying it.
void setStyleSource(StyleSource* source);
StyleSource* styleSource();

}  // namespace dui
