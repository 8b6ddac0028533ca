// Registry of existing and live controls, attach/detach, and the id map.
#include "dui/core/control_registry.h"

#include <cassert>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"

namespace dui {
namespace detail {

// Every constructed control, with its serial and whether it is live. Knowing
// the existing ones (not only the live ones) lets attach and detach walk a
// child list safely while handlers destroy controls.
struct ControlRecord {
  std::uint32_t serial;
  bool live;
};

struct Registry {
  std::unordered_map<const Control*, ControlRecord> controls;
  std::size_t liveCount = 0;
  std::uint32_t nextSerial = 1;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: controls may outlive main
  return *r;
}

std::uint32_t registerControl(const Control* control) {
  Registry& r = registry();
  std::uint32_t serial = r.nextSerial++;
  if (r.nextSerial == 0) r.nextSerial = 1;
  r.controls[control] = ControlRecord{serial, false};
  return serial;
}

void setLive(const Control* control, bool live) {
  Registry& r = registry();
  auto it = r.controls.find(control);
  if (it == r.controls.end() || it->second.live == live) return;
  it->second.live = live;
  if (live) {
    ++r.liveCount;
  } else {
    --r.liveCount;
  }
}

void unregisterControl(const Control* control) {
  setLive(control, false);
  registry().controls.erase(control);
}

}  // namespace detail

using detail::registry;

bool isLive(const Control* control) {
  if (!control) return false;
  const auto& controls = registry().controls;
  auto it = controls.find(control);
  return it != controls.end() && it->second.live;
}

bool isLive(const Control* control, std::uint32_t serial) {
  if (!control) return false;
  const auto& controls = registry().controls;
  auto it = controls.find(control);
  return it != controls.end() && it->second.live && it->second.serial == serial;
}

bool controlExists(const Control* control, std::uint32_t serial) {
  if (!control) return false;
  const auto& controls = registry().controls;
  auto it = controls.find(control);
  return it != controls.end() && it->second.serial == serial;
}

std::size_t liveControlCount() { return registry().liveCount; }

namespace {

using ChildList = std::vector<std::pair<Control*, std::uint32_t>>;

ChildList childrenOf(Control* control) {
  ChildList children;
  if (Panel* panel = control->asPanel()) {
    children.reserve(static_cast<std::size_t>(panel->childCount()));
    for (Control* c = panel->firstChild(); c; c = c->next()) children.emplace_back(c, c->serial());
  }
  return children;
}

}  // namespace

void attachRoot(Control* root, HostWindow* window) {
  assert((!root || !root->parent()) && "only the top of a tree is attached as a root: add a child to its panel");
  if (!root || isLive(root)) return;
  root->window_ = window;
  attachControl(root);
}

void attachControl(Control* control) {
  if (!control || isLive(control)) return;
  const std::uint32_t serial = control->serial();
  detail::setLive(control, true);
  if (control->parent_) control->window_ = control->parent_->window_;
  std::int32_t id;
  if (control->window_ && control->getInt(names::id, id)) control->window_->idMap().set(id, control);

  Event attached = makeEvent(events::Attached);
  raiseEvent(control, attached);

  // Handlers of Attached may have detached or destroyed controls: attach a
  // child only while it still exists, is still our child, and we are live.
  if (!isLive(control, serial)) return;
  for (const auto& child : childrenOf(control)) {
    if (!isLive(control, serial)) return;
    if (controlExists(child.first, child.second) && child.first->parent_ == control) {
      attachControl(child.first);
    }
  }
}

void detachControl(Control* control) {
  if (!isLive(control)) return;
  const std::uint32_t serial = control->serial();
  for (const auto& child : childrenOf(control)) {
    if (!controlExists(control, serial)) return;
    if (controlExists(child.first, child.second) && child.first->parent_ == control) {
      detachControl(child.first);
    }
  }
  if (!isLive(control, serial)) return;

  Event detached = makeEvent(events::Detached);
  raiseEvent(control, detached);
  if (!isLive(control, serial)) return;  // a handler destroyed or detached it

  HostWindow* window = control->window_;
  if (window) {
    window->forgetControl(control);
    std::int32_t id;
    if (control->getInt(names::id, id)) window->idMap().forget(id, control);
  }
  control->window_ = nullptr;
  detail::setLive(control, false);
}

void IdMap::set(std::int32_t id, Control* control) { map_[id] = Entry{control, control->serial()}; }

Control* IdMap::find(std::int32_t id) const {
  auto it = map_.find(id);
  if (it == map_.end()) return nullptr;
  return isLive(it->second.control, it->second.serial) ? it->second.control : nullptr;
}

void IdMap::forget(std::int32_t id, const Control* control) {
  auto it = map_.find(id);
  if (it != map_.end() && it->second.control == control) map_.erase(it);
}

}  // namespace dui
