// Focus and pointer moves through the framework window showing a control.
#include "dui/controls/window_access.h"

#include "dui/core/control.h"
#include "dui/core/window_impl.h"

namespace dui {

void takeKeyboardFocus(Control* control) {
  if (auto* host = control ? dynamic_cast<WindowImpl*>(control->window()) : nullptr) host->setFocus(control);
}

void postPointerMove(const Control* control) {
  auto* host = control ? dynamic_cast<WindowImpl*>(control->window()) : nullptr;
  LPARAM position;
  if (host && host->hwnd() && host->cursorMessagePosition(position))
    ::PostMessageW(host->hwnd(), WM_MOUSEMOVE, 0, position);
}

}  // namespace dui
