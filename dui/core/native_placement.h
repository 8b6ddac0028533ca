// Native child windows inside a control tree: where a control that hosts one
// shows (whether at all, its rectangle, the part its ancestors let show), and
// the list by which a window tells such controls when that changes.
//
// Painting draws controls; a native child window (the web browser's, say) is
// drawn by the system on top of its parent, so it must be moved, clipped and
// hidden with the control that hosts it: when the control or an ancestor is
// hidden or collapsed, when a tab control shows another page, when a scroll
// panel scrolls, and after every layout pass. Each of those repaints, so the
// window works the placements out again whenever it handles its repaint
// message, before painting, and raises PlacementChanged (direct, lparam a
// const NativePlacement*) at every following control whose placement changed.
#pragma once

#include <cstdint>
#include <vector>

#include "dui/core/geometry.h"

namespace dui {

class Control;
class HostWindow;

struct NativePlacement {
  bool shown = false;   // the control and every ancestor show it, and some of it is in view
  Rect rect;            // the control's rectangle, client coordinates in layout units
  Rect visible;         // the part of rect its ancestors and the client area let show; empty when not shown
};
inline bool operator==(const NativePlacement& a, const NativePlacement& b) {
  return a.shown == b.shown && a.rect == b.rect && a.visible == b.visible;
}
inline bool operator!=(const NativePlacement& a, const NativePlacement& b) { return !(a == b); }

// Where `control` shows now. Shown when it and every ancestor are Visible and
// not Collapsed, each parent shows the child on the way (Control::childArea)
// and the visible part is not empty; the visible part is its rectangle cut to
// each parent's child area and to the client area. Not shown for a control
// that is not live.
NativePlacement nativePlacementOf(const Control* control);

// A window's controls that host native child windows.
class NativeFollowers {
 public:
  explicit NativeFollowers(const HostWindow* window) : window_(window) {}

  // Follows `control` (again): its next placement is raised even when it
  // did not change.
  void add(Control* control);
  // Raises PlacementChanged at each followed control whose placement changed
  // since it was last told; drops controls that died or left the window.
  // Nested calls (from a handler) do nothing.
  void place();
  // Every followed control is told its placement at the next place(), changed
  // or not: after a change of scale its pixels moved though its units did not.
  void tellAllAgain();
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    Control* control;
    std::uint32_t serial;
    NativePlacement last;
    bool told;
  };
  const HostWindow* window_;
  std::vector<Entry> entries_;
  bool placing_ = false;
};

}  // namespace dui
