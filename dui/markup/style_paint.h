// Text drawing shared by the skins: in a colour and font, centred, moved
// while pressed. Internal to dui/markup. Images and fonts by name and their
// placement come from dui/core (style_lookup.h, skin_placement.h), included
// here for every skin.
#pragma once

#include <windows.h>

#include <string>

#include "dui/core/access_keys.h"
#include "dui/core/attribute_names.h"
#include "dui/core/geometry.h"
#include "dui/core/skin_placement.h"
#include "dui/core/style_lookup.h"

namespace dui {

class Control;
class Object;

namespace skin {

// DrawTextW in `colour` on a transparent background; the device context's
// text colour and background mode are restored afterwards. A control's text
// adds its access-key flags to `format` (accessKeyTextFormat): "&" marks an
// access key in buttons' and labels' texts, and is plain text elsewhere.
void drawText(HDC dc, const Rect& rect, const std::wstring& text, COLORREF colour, UINT format);
// The single-line extent of the text in the font currently selected, with
// those flags.
Size textExtent(HDC dc, const std::wstring& text, UINT prefixFormat);

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
