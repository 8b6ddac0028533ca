// Drawing helpers shared by the skins: images by attribute, nine-grid or
// stretched placement, and text in a colour and font. Internal to dui/markup.
#pragma once

#include <windows.h>

#include <string>

#include "dui/core/attribute_names.h"
#include "dui/core/geometry.h"

namespace dui {

class Control;
class Object;
class SkinImage;

namespace skin {

// The image named by the object's text attribute `key`, or null when the
// attribute or the image is missing.
SkinImage* imageOf(const Object& object, AttrKey key);
SkinImage* imageNamed(const std::wstring* name);

// Stretched over the rectangle.
void drawStretched(HDC dc, const Rect& rect, const SkinImage* image);
// Nine-grid with the insets (left, top, right, bottom) as borders.
void drawNineGrid(HDC dc, const Rect& rect, const SkinImage* image, const Rect& insets);
// Nine-grid with the style's "scaleGrid" when it has one, else stretched.
void drawScaled(HDC dc, const Rect& rect, const SkinImage* image, const Object& style);
// At natural size with the top-left corner at (x, y).
void drawAt(HDC dc, int x, int y, const SkinImage* image);
int widthOf(const SkinImage* image);
int heightOf(const SkinImage* image);

// The font named by the control's "font" attribute, "Default" without one;
// null when the skin does not define it (the current font then stays).
HFONT controlFont(const Control& control);

// DrawTextW in `colour` on a transparent background; the device context's
// text colour and background mode are restored afterwards.
void drawText(HDC dc, const Rect& rect, const std::wstring& text, COLORREF colour, UINT format);
// The single-line extent of the text in the font currently selected.
Size textExtent(HDC dc, const std::wstring& text);

// The text of button styles: the control's "text", if any, single-line and
// centred in the rectangle, in the control's font, colour "textColor" of the
// style (else `defaultColour`); moved 1 pixel right and down while the
// control holds the capture and the style's "downOffset" is exactly 1.
void drawButtonText(HDC dc, const Rect& rect, const Control& control, const Object& style,
                    COLORREF defaultColour);
// The same with another text than the control's (a toggle's "offText").
void drawCentredText(HDC dc, const Rect& rect, const Control& control, const Object& style,
                     const std::wstring* text, COLORREF defaultColour);
// The rectangle moved as the button text rule says (see drawButtonText).
Rect pressedTextRect(const Rect& rect, const Control& control, const Object& style);

inline constexpr COLORREF kWhite = 16777215;
inline constexpr COLORREF kBlack = 0;

}  // namespace skin
}  // namespace dui
