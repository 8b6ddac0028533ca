// Placing a skin image in a rectangle: stretched, nine-grid, or at natural
// size. A null image draws nothing and measures 0, so callers pass what a
// lookup (dui/core/style_lookup.h) answered without checking it first.
#pragma once

#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"

namespace dui {

class Object;
class SkinImage;

namespace skin {

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

}  // namespace skin
}  // namespace dui
