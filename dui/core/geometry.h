// Rectangles, sizes and points of the control tree (32-bit signed), in layout
// units of 1/96 inch: pixels at 100 % display scale (dpi_scale.h converts).
#pragma once

#include <cstdint>

namespace dui {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

inline bool operator==(const Size& a, const Size& b) { return a.width == b.width && a.height == b.height; }
inline bool operator!=(const Size& a, const Size& b) { return !(a == b); }

// Left and top inclusive, right and bottom exclusive (as Win32's RECT).
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  Rect offset(std::int32_t dx, std::int32_t dy) const {
    return Rect{left + dx, top + dy, right + dx, bottom + dy};
  }
};

inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

// Intersection of two rectangles; an empty result is (0, 0, 0, 0).
inline Rect intersect(const Rect& a, const Rect& b) {
  Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.empty() ? Rect{} : r;
}

}  // namespace dui
