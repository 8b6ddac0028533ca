// The live control registry, attach and detach, and the window id map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

namespace dui {

class Control;
class HostWindow;

// A control is live from attach to detach (or its destruction). Events,
// layout, invalidation and coordinates do nothing for controls that are not.
bool isLive(const Control* control);
// Live and still the control that had this serial (not a later control that
// happens to occupy the same address).
bool isLive(const Control* control, std::uint32_t serial);
// The control with this serial has not been destroyed (attached or not).
bool controlExists(const Control* control, std::uint32_t serial);
std::size_t liveControlCount();

// Gives the root its window and attaches the tree: registry, id map, Attached
// on every control (parents before children).
void attachRoot(Control* root, HostWindow* window);
// Attaches a control under its parent's window (Panel::addChild calls it).
// Nothing when it is already live.
void attachControl(Control* control);
// Detaches children first (in order), then raises Detached, makes the window
// forget the control, drops its id map entry, clears its window and leaves the
// registry. Nothing when it is not live.
void detachControl(Control* control);

// A window's "id" -> control map. A later control with the same id replaces
// the earlier one. Detach removes the entry pointing at the detached control,
// and lookups only ever answer live controls.
class IdMap {
 public:
  void set(std::int32_t id, Control* control);
  // The live control with this id, or nullptr.
  Control* find(std::int32_t id) const;
  // Removes the entry for `id` if it points at `control`.
  void forget(std::int32_t id, const Control* control);
  void clear() { map_.clear(); }
  std::size_t size() const { return map_.size(); }

 private:
  struct Entry {
    Control* control;
    std::uint32_t serial;
  };
  std::map<std::int32_t, Entry> map_;
};

}  // namespace dui
