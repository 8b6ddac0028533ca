// WebBrowser as the markup builds it: an empty control that hosts no browser
// object.
#pragma once

#include "dui/core/control.h"

namespace dui {

class WebBrowser : public Control {};

}  // namespace dui
