// Style: the skin object that draws a control. Controls find their styles
// through dui/core/style_lookup.h; the concrete skins live in dui/markup.
#pragma once

#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"
#include "dui/core/object.h"

namespace dui {

class Control;

// An Object whose second virtual operation draws a control into a rectangle
// given in window coordinates. The plain Style draws the control's state skin;
// concrete skins (Style_Button, ...) derive from it.
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

}  // namespace dui
