// The skins: one Style_ class per style type of a style file's Config. Each
// reads only its attribute store (image names, nine-grid insets, colours,
// gaps) and the control's flags and attributes at draw time, so one style
// object serves every control that names it. Images come from the skin
// package by name (SkinResources::getImage), fonts by name (getFont).
//
// [SECTION] state skins: Style (dui/core/style.h), Style_Background,
//           Style_Button, Style_Edit, Style_ToggleButton, Style_ButtonEx
// [SECTION] check boxes: Style_CheckButton, Style_CheckButtonEx
// [SECTION] icons: Style_IconButton, Style_ToggleIconButton, Style_ComboBox
// [SECTION] bars: Style_ScrollBar, Style_Slider
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "dui/controls/list_controls.h"
#include "dui/core/skin_image.h"
#include "dui/core/style.h"

namespace dui {

// [SECTION] state skins ------------------------------------------------------

// "img", nine-grid with "scaleGrid" when present, else stretched; the
// control's state plays no part.
class Style_Background : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// The state skin, then the control's "text" centred in its "font" ("Default"
// without one), colour "textColor" (white by default), moved one pixel right
// and down while the control holds the capture if "downOffset" is 1.
class Style_Button : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// "disabledSkin" when not enabled, "overSkin" with the mouse over it, else
// "upSkin" (no down state), nine-grid with "scaleGrid" or stretched; no text.
class Style_Edit : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// One of eight skins stretched over the rectangle: the "checked..." set while
// Checked, chosen by not enabled, then capture, then mouse over; no text.
class Style_ToggleButton : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// "src": four equal frames stacked vertically (normal, mouse over, capture,
// not enabled), one stretched over the rectangle; then the text as
// Style_Button.
class Style_ButtonEx : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// [SECTION] check boxes -----------------------------------------------------

// An icon at natural size 2 pixels from the left, vertically centred, chosen
// by Checked, then not enabled / capture / mouse over / otherwise; then the
// "text" left-aligned behind it ("iconGap", default 2, plus 2), colour
// "textColor" (white by default), in the font already selected.
class Style_CheckButton : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// As Style_CheckButton, the icon being one of eight equal frames of the "src"
// strip (4 when checked, plus 3 not enabled, 2 capture, 1 mouse over) drawn at
// the rectangle's top-left corner.
class Style_CheckButtonEx : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// [SECTION] icons ------------------------------------------------------------

// The state skin, then the control's "icon" and "text" placed by
// "textPlacement" ("right" by default, "left", "bottom") with "iconGap"
// (default 2); text colour "textColor", black by default.
class Style_IconButton : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// Its skin by not enabled, capture, mouse over (Checked and Focused play no
// part); then "offIcon" and "offText" while checked, else "icon" and "text",
// placed as Style_IconButton.
class Style_ToggleIconButton : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// The state skin; the "dropBtn" image at natural size against the right edge;
// the control's "text" in black, 12 pixels from the left, vertically centred.
class Style_ComboBox : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
};

// [SECTION] bars -------------------------------------------------------------

// "barSkin" over the bar; the two arrows stretched into their rectangles by
// their own state; when the bar is enabled, the thumb skin nine-grid
// ("thumbScaleGrid") narrowed by a pixel on each side across the bar, and its
// icon centred. A control that is not a ScrollBar gets the bar only. Drawn
// turned (a horizontal bar with the vertical skin, list_skin_sizes.h), every
// image is turned a quarter and the grids' insets swap axes with it; the
// turned images are made once and kept with the style.
class Style_ScrollBar : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
  void drawParts(HDC dc, const Rect& rect, bool enabled, const ScrollBarParts& parts, bool vertical = true,
                 bool turned = false);

 private:
  // The image named by `key`, turned when asked; null without one.
  const SkinImage* image(AttrKey key, bool turned);
  // The insets of a grid attribute, swapped to the turned axes when asked.
  bool grid(AttrKey key, bool turned, Rect& insets) const;

  std::map<const SkinImage*, std::unique_ptr<SkinImage>> turnedImages_;
};

// A horizontal slider: "barSkin" from the thumb centre to the right edge and
// "trackSkin" from the left edge to it, both at natural height, vertically
// centred, nine-grid with "scaleGrid"; then the thumb skin stretched into the
// thumb rectangle (down while Captured, over while Checked, else up). A
// control that is not a Slider gets no thumb.
class Style_Slider : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control* control) override;
  // `thumb` relative to the control.
  void drawParts(HDC dc, const Rect& rect, std::uint32_t controlFlags, const Rect& thumb);
};

}  // namespace dui
