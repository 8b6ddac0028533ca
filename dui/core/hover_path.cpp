// Hover path computation (window-free).
#include "dui/core/hover_path.h"

#include "dui/core/control.h"

namespace dui {

ControlPath buildPath(Control* target) {
  ControlPath path;
  for (Control* c = target; c; c = c->parent()) path.push_back(PathEntry{c, c->serial()});
  return path;
}

void diffPaths(const ControlPath& oldPath, const ControlPath& newPath, ControlPath& leave,
               ControlPath& enter) {
  std::size_t shared = 0;
  while (shared < oldPath.size() && shared < newPath.size()) {
    const PathEntry& a = oldPath[oldPath.size() - 1 - shared];
    const PathEntry& b = newPath[newPath.size() - 1 - shared];
    if (a.control != b.control || a.serial != b.serial) break;
    ++shared;
  }
  leave.clear();
  enter.clear();
  for (std::size_t i = oldPath.size() - shared; i-- > 0;) leave.push_back(oldPath[i]);
  for (std::size_t i = newPath.size() - shared; i-- > 0;) enter.push_back(newPath[i]);
}

}  // namespace dui
