// What a control asks of the window that shows it. WindowImpl implements this
// interface; tests use fakes. The control tree never includes window headers.
// Areas and positions are in layout units, whatever the window's scale.
#pragma once

#include "dui/core/accessible_change.h"
#include "dui/core/geometry.h"

namespace dui {

class Control;
class IdMap;

class HostWindow {
 public:
  // The window's "id" -> control map, filled by attach.
  virtual IdMap& idMap() = 0;
  // Drops the control from the window's input state (capture, focus, saved
  // focus, hover path). Called on detach, and when an attached control dies.
  virtual void forgetControl(Control* control) = 0;
  // The client rectangle (0, 0, width, height).
  virtual Rect clientRect() const = 0;
  // Marks an area (client coordinates) for repainting: the dirty list of a
  // layered window, otherwise the system's invalid region without erasing.
  virtual void invalidateArea(const Rect& area) = 0;
  // Sends (synchronous) or posts the window's private repaint message.
  virtual void requestRepaint(bool synchronous) = 0;
  // The cursor position in client coordinates; false when it cannot be read.
  virtual bool cursorClientPosition(Point& position) const = 0;
  // Lets the user move the window by dragging: the system's caption drag
  // (WM_SYSCOMMAND, SC_MOVE | HTCAPTION), which returns when the drag ends.
  virtual void beginWindowDrag() {}
  // Posts a mouse move at the cursor's position, so hover and the control
  // under the mouse are worked out again after something moved under it.
  virtual void postMouseMove() {}
  // The control hosts a native child window: tell it, with PlacementChanged,
  // where it shows now and whenever that changes (native_placement.h), until
  // it dies or leaves the window. Nothing by default.
  virtual void followNativeChild(Control*) {}

  // --- Keyboard and accessibility (a window that offers none answers the defaults).
  // A control became visible (a page shown, a tab selected): the window
  // moves the focus onto it if the focus has nowhere to stay.
  virtual void controlShown(Control*) {}
  // Whether access-key underlines are shown (after Alt, as the system does).
  virtual bool accessKeysShown() const { return false; }
  // Tells screen readers what happened to a control.
  virtual void announce(const Control*, AccessibleChange) {}

 protected:
  ~HostWindow() = default;
};

}  // namespace dui
