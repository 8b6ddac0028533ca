// The pending repaint areas of a layered window: at most 20 rectangles, with
// contained areas dropped and edge-sharing neighbours merged. Window-free.
#pragma once

#include <cassert>
#include <cstddef>

#include "dui/core/geometry.h"

namespace dui {

class DirtyList {
 public:
  static constexpr std::size_t kCapacity = 20;

  // Adds an area. When it is neither covered nor mergeable and the list is
  // full, `flushNow()` runs first; it must paint the stored areas and clear().
  template <class Flush>
  void add(const Rect& area, Flush&& flushNow) {
    if (area.empty() || absorb(area)) return;
    if (count_ == kCapacity) {
      flushNow();
      if (count_ == kCapacity) count_ = 0;  // a flush that did not clear: drop rather than overrun
    }
    rects_[count_++] = area;
  }

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const Rect& operator[](std::size_t i) const {
    assert(i < count_ && "DirtyList index past size(): read only the stored areas");
    return rects_[i];
  }
  void clear() { count_ = 0; }

 private:
  // Covered by a stored area, or merged into one: true. Drops stored areas
  // that `area` covers.
  bool absorb(const Rect& area);

  Rect rects_[kCapacity];
  std::size_t count_ = 0;
};

}  // namespace dui
