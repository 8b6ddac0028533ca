// The hover path: the control under the mouse and its ancestors, and which
// controls leave and enter it when the mouse moves. Grows with the tree depth.
#pragma once

#include <cstdint>
#include <vector>

namespace dui {

class Control;

struct PathEntry {
  Control* control;
  std::uint32_t serial;  // tells the control from a later one at the same address
};
using ControlPath = std::vector<PathEntry>;

// The target, its parent, ... up to the root; empty without a target.
ControlPath buildPath(Control* target);

// Compares the two paths from their root ends. `leave` gets the old path's
// controls that are not shared, `enter` the new path's; both ordered from the
// control nearest the root to the target.
void diffPaths(const ControlPath& oldPath, const ControlPath& newPath, ControlPath& leave,
               ControlPath& enter);

}  // namespace dui
