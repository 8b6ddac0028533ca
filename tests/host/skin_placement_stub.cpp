// Window-free stand-in for placing skin images: native builds of the control
// tree have no device context and no images, so placing one draws nothing.
#include "dui/core/skin_placement.h"

namespace dui {
namespace skin {

void drawStretched(HDC, const Rect&, const SkinImage*) {}
void drawNineGrid(HDC, const Rect&, const SkinImage*, const Rect&) {}
void drawScaled(HDC, const Rect&, const SkinImage*, const Object&) {}
void drawAt(HDC, int, int, const SkinImage*) {}
int widthOf(const SkinImage*) { return 0; }
int heightOf(const SkinImage*) { return 0; }

}  // namespace skin
}  // namespace dui
