// Dirty-area bookkeeping of layered windows.
#include "dui/core/dirty_list.h"

namespace dui {
namespace {

bool covers(const Rect& outer, const Rect& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

}  // namespace

bool DirtyList::absorb(const Rect& area) {
  for (std::size_t i = 0; i < count_; ++i)
    if (covers(rects_[i], area)) return true;

  for (std::size_t i = 0; i < count_;) {
    if (covers(area, rects_[i])) {
      rects_[i] = rects_[--count_];  // the last one takes the freed place and is examined next
    } else {
      ++i;
    }
  }

  for (std::size_t i = 0; i < count_; ++i) {
    Rect& r = rects_[i];
    if (r.left == area.left && r.right == area.right && area.top <= r.bottom && r.top <= area.bottom) {
      if (area.top < r.top) r.top = area.top;  // same columns, touching or overlapping rows
      if (area.bottom > r.bottom) r.bottom = area.bottom;
      return true;
    }
    if (r.top == area.top && r.bottom == area.bottom && area.left <= r.right && r.left <= area.right) {
      if (area.left < r.left) r.left = area.left;  // same rows, touching or overlapping columns
      if (area.right > r.right) r.right = area.right;
      return true;
    }
  }
  return false;
}

}  // namespace dui
