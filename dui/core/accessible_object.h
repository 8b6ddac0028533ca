// The accessible object of a framework window, for screen readers: the
// window's client area as an IAccessible whose children are the window's
// shown controls (simple elements, each known by its child id, the control's
// serial), in tree order. It implements IEnumVARIANT over those children
// too. IDispatch's own methods answer E_NOTIMPL.
//
// What a control is (role, name, value, state, default action) comes from
// the describer the controls layer plugs into core (CorePlugs); the window
// adds what it knows: focus, focusable, unavailable, invisible, default
// button, and a name from the label before a control that has no text.
//
// Objects outlive their window when a client holds them: every object of a
// window reaches it through one AccessibleLink, which the window cuts when
// it goes; from then on each call answers CO_E_OBJNOTCONNECTED. A child id
// whose control died answers E_INVALIDARG.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <cstdint>
#include <memory>
#include <string>

namespace dui {

class Control;
class WindowImpl;

// What a screen reader learns of one control.
struct AccessibleFacts {
  long role = 0;                // ROLE_SYSTEM_*; 0 leaves the control out
  std::wstring name;            // its text as it reads
  bool namedByLabel = false;    // without a name, the label before it names it
  bool hasValue = false;        // value is meaningful (a text box, a bar, a choice)
  std::wstring value;
  std::wstring description;
  std::wstring defaultAction;   // empty: none
  std::uint32_t state = 0;      // STATE_SYSTEM_* the control knows (checked, pressed, ...)
};

// The facts of a control of `window`: the plugged describer's (a push
// button for a "Button" when none is plugged), then the "name" and
// "description" attributes over its own, the label before it, and the state
// the window knows. False when the control is not one of the children.
bool accessibleFactsOf(WindowImpl& window, Control& control, AccessibleFacts& facts);

// A window's link, shared by every accessible object handed out for it.
class AccessibleLink {
 public:
  explicit AccessibleLink(WindowImpl* window) : window_(window) {}
  WindowImpl* window() const { return window_; }
  void disconnect() { window_ = nullptr; }

 private:
  WindowImpl* window_;
};

// A new object for the link's window with one reference, for the caller.
IAccessible* newAccessibleObject(const std::shared_ptr<AccessibleLink>& link);
// The answer to WM_GETOBJECT (OBJID_CLIENT): a new object passed through
// LresultFromObject for the request's wParam; 0 when that fails.
LRESULT answerAccessibleObject(const std::shared_ptr<AccessibleLink>& link, WPARAM wParam);

}  // namespace dui
