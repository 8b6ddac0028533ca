// The style source used by Control::draw (the plain Style's drawing is with
// the skins in dui/markup/style_state.cpp).
#include "dui/core/style.h"

namespace dui {

namespace {
StyleSource* g_styleSource = nullptr;
}

void setStyleSource(StyleSource* source) { g_styleSource = source; }

StyleSource* styleSource() { return g_styleSource; }

}  // namespace dui
