// Passing a control's change to its window for screen readers.
#include "dui/core/accessible_change.h"

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/host_window.h"

namespace dui {

void announceChange(const Control* control, AccessibleChange change) {
  if (!control || !isLive(control)) return;
  if (HostWindow* window = control->window()) window->announce(control, change);
}

}  // namespace dui
