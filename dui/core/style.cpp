// The style source used by Control::draw, and the plain Style's drawing.
#include "dui/core/style.h"

namespace dui {

namespace {
StyleSource* g_styleSource = nullptr;
}

// The state-skin drawing of the plain Style belongs to the skin code.
void Style::draw(HDC, const Rect&, Control*) {}

void setStyleSource(StyleSource* source) { g_styleSource = source; }

StyleSource* styleSource() { return g_styleSource; }

}  // namespace dui
