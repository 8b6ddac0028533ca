// Native child placement: worked out from the tree, and told to the controls
// that follow it.
#include "dui/core/native_placement.h"

#include "dui/core/control.h"
#include "dui/core/control_flags.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/event.h"
#include "dui/core/host_window.h"

namespace dui {

NativePlacement nativePlacementOf(const Control* control) {
  NativePlacement placement;
  Rect rect;
  if (!control || !control->window() || !absoluteRect(control, rect)) return placement;
  placement.rect = rect;
  Rect visible = intersect(rect, control->window()->clientRect());
  bool shown = true;
  for (const Control* c = control; c; c = c->parent()) {
    if (!c->hasFlag(flags::Visible) || c->hasFlag(flags::Collapsed)) shown = false;
    const Control* parent = c->parent();
    if (!parent) break;
    Rect area, origin;
    if (!parent->childArea(*c, area) || !absoluteRect(parent, origin)) shown = false;
    visible = intersect(visible, area.offset(origin.left, origin.top));
  }
  if (shown && !visible.empty()) {
    placement.shown = true;
    placement.visible = visible;
  }
  return placement;
}

void NativeFollowers::add(Control* control) {
  if (!control) return;
  for (Entry& e : entries_) {
    if (e.control == control && e.serial == control->serial()) {
      e.told = false;
      return;
    }
  }
  entries_.push_back(Entry{control, control->serial(), NativePlacement{}, false});
}

void NativeFollowers::tellAllAgain() {
  for (Entry& e : entries_) e.told = false;
}

void NativeFollowers::place() {
  if (placing_) return;
  placing_ = true;
  for (std::size_t i = 0; i < entries_.size();) {
    Entry& e = entries_[i];
    // Checked before the control is touched: it may have died since.
    if (!isLive(e.control, e.serial) || e.control->window() != window_) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const NativePlacement now = nativePlacementOf(e.control);
    Control* control = e.control;
    ++i;
    if (e.told && e.last == now) continue;
    e.last = now;
    e.told = true;
    // The handler may add followers (entries_ may move) or destroy controls:
    // nothing here holds on to an entry across it.
    Event changed = makeEvent(events::PlacementChanged, 0, reinterpret_cast<std::intptr_t>(&now));
    raiseEvent(control, changed);
  }
  placing_ = false;
}

}  // namespace dui
