// WebBrowser as the markup builds it: an empty control for now; hosting the
// system's browser object is still to come.
#pragma once

#include "dui/core/control.h"

namespace dui {

class WebBrowser : public Control {};

}  // namespace dui
