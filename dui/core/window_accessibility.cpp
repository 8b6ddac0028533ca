// WindowImpl for screen readers: the accessible object answered to
// WM_GETOBJECT, the child ids of controls, and the WinEvents that tell what
// changed (focus, state, value, name, shown and hidden controls).
#include <windows.h>

#include <climits>

#include "dui/core/accessible_object.h"
#include "dui/core/control.h"
#include "dui/core/panel.h"
#include "dui/core/window_impl.h"

namespace dui {
namespace {

DWORD winEventOf(AccessibleChange change) {
  switch (change) {
    case AccessibleChange::State: return EVENT_OBJECT_STATECHANGE;
    case AccessibleChange::Value: return EVENT_OBJECT_VALUECHANGE;
    case AccessibleChange::Name: return EVENT_OBJECT_NAMECHANGE;
    case AccessibleChange::Description: return EVENT_OBJECT_DESCRIPTIONCHANGE;
    case AccessibleChange::Shown: return EVENT_OBJECT_SHOW;
    case AccessibleChange::Hidden: return EVENT_OBJECT_HIDE;
    case AccessibleChange::Selection: return EVENT_OBJECT_SELECTION;
  }
  return 0;
}

// The control with this serial in the tree under `c` (hidden ones too, and
// the shown page of a tab control), or nullptr.
Control* findBySerial(Control* c, std::uint32_t serial) {
  if (c->serial() == serial) return c;
  if (const Panel* panel = c->asPanel())
    for (Control* child = panel->firstChild(); child; child = child->next())
      if (Control* found = findBySerial(child, serial)) return found;
  if (Control* page = c->shownUnlistedChild()) return findBySerial(page, serial);
  return nullptr;
}

}  // namespace

long WindowImpl::accessibleChildId(const Control* control) {
  if (!control) return 0;
  const std::uint32_t serial = control->serial();
  return serial == 0 || serial > static_cast<std::uint32_t>(LONG_MAX) ? 0 : static_cast<long>(serial);
}

Control* WindowImpl::controlOfChildId(long childId) const {
  if (childId <= 0 || !root_ || !isLive(root_)) return nullptr;
  // Serials are unique for the life of the process: a control that died
  // leaves its id unanswered for ever.
  return findBySerial(root_, static_cast<std::uint32_t>(childId));
}

void WindowImpl::announce(const Control* control, AccessibleChange change) {
  if (!hwnd_ || destroying_ || !control || !isLive(control)) return;
  const long id = control == root_ ? CHILDID_SELF : accessibleChildId(control);
  if (control != root_ && id == 0) return;
  ::NotifyWinEvent(winEventOf(change), hwnd_, OBJID_CLIENT, id);
}

void WindowImpl::announceFocus(const Control* control) {
  // Only the window with the system focus tells where the focus is.
  if (!hwnd_ || destroying_ || ::GetFocus() != hwnd_) return;
  const long id = accessibleChildId(control);
  if (id != 0) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, id);
}

LRESULT WindowImpl::onGetObject(WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT || !hwnd_ || destroying_) return 0;
  if (!accessibleLink_) accessibleLink_ = std::make_shared<AccessibleLink>(this);
  return answerAccessibleObject(accessibleLink_, wParam);
}

void WindowImpl::disconnectAccessible() {
  if (!accessibleLink_) return;
  accessibleLink_->disconnect();
  accessibleLink_.reset();
}

}  // namespace dui
