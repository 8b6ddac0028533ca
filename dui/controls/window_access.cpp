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
  Point p;
  if (host && host->hwnd() && host->cursorClientPosition(p))
    ::PostMessageW(host->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

}  // namespace dui
