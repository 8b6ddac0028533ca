// Stretched, nine-grid and natural-size placement of skin images.
#include "dui/core/skin_placement.h"

#include "dui/core/attribute_names.h"
#include "dui/core/object.h"
#include "dui/core/skin_image.h"

namespace dui {
namespace skin {

void drawStretched(HDC dc, const Rect& rect, const SkinImage* image) {
  if (image) image->drawInRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void drawNineGrid(HDC dc, const Rect& rect, const SkinImage* image, const Rect& insets) {
  if (image)
    image->drawNineGrid(dc, rect.left, rect.top, rect.right, rect.bottom, insets.left, insets.top, insets.right,
                        insets.bottom);
}

void drawScaled(HDC dc, const Rect& rect, const SkinImage* image, const Object& style) {
  Rect insets;
  if (style.getRect(names::scaleGrid, insets)) drawNineGrid(dc, rect, image, insets);
  else drawStretched(dc, rect, image);
}

void drawAt(HDC dc, int x, int y, const SkinImage* image) {
  if (image) image->drawAt(dc, x, y);
}

int widthOf(const SkinImage* image) { return image ? image->width() : 0; }
int heightOf(const SkinImage* image) { return image ? image->height() : 0; }

}  // namespace skin
}  // namespace dui
