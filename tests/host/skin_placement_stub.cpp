// Window-free stand-in for the skins' drawing: native builds of the control
// tree have no images to draw, so the plain Style draws nothing.
#include "dui/core/style.h"

namespace dui {

void Style::draw(HDC, const Rect&, Control*) {}

}  // namespace dui
