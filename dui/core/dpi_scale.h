// Display scaling: the control tree works in layout units of 1/96 inch; a
// window turns them into its device pixels by its DPI. Window-free (the window
// side is dpi_window.h), so the rounding rules are tested natively.
#pragma once

#include <cstddef>
#include <string>

#include "dui/core/geometry.h"

namespace dui {

constexpr int kLayoutDpi = 96;

// A DPI the system answered, made usable: nothing sensible below 48 or above
// 960 (10x), and 0 or a negative value (a failed query) means 96.
int sanitizeDpi(int dpi);

class DpiScale {
 public:
  DpiScale() = default;
  explicit DpiScale(int dpi) : dpi_(sanitizeDpi(dpi)) {}

  int dpi() const { return dpi_; }
  bool identity() const { return dpi_ == kLayoutDpi; }
  double factor() const { return static_cast<double>(dpi_) / kLayoutDpi; }

  // A layout length or coordinate in device pixels, rounded to nearest (half
  // away from zero), as the painting transform rounds edges: the device
  // rectangle of a control is then exactly where its pixels land.
  int toDevice(int layout) const;
  Size toDevice(Size layout) const;
  Rect toDevice(const Rect& layout) const;
  // The device pixels a layout rectangle touches: edges outward (floor, ceil),
  // for invalidation, so no pixel of a control is ever left stale.
  Rect coverDevice(const Rect& layout) const;

  // A device position in layout units, rounded down: the layout pixel the
  // device pixel lies in (hit tests, so the left half of a 2x layout pixel
  // and its right half hit the same control).
  int toLayout(int device) const;
  Point toLayout(Point device) const;
  // A device extent in layout units, rounded up: the client area is covered.
  int toLayoutCeil(int device) const;
  Size toLayoutCeil(Size device) const;
  // The layout rectangle that covers a device rectangle (paint areas).
  Rect coverLayout(const Rect& device) const;

 private:
  int dpi_ = kLayoutDpi;
};

inline bool operator==(const DpiScale& a, const DpiScale& b) { return a.dpi() == b.dpi(); }
inline bool operator!=(const DpiScale& a, const DpiScale& b) { return !(a == b); }

// Skin image variants: "name@2x.png" and "name@1.5x.png" beside "name.png".
// The scales an author may supply, in percent, the plain file first.
constexpr int kImageVariantPercents[] = {100, 150, 200};

// The variant file name for a scale in percent: 100 gives the name itself,
// 150 "a/b@1.5x.png", 200 "a/b@2x.png" (the suffix goes before the last
// extension of the last path element; a name without one gets it at the end).
std::wstring imageVariantName(const std::wstring& name, int percent);

// Which of the available variants (scales in percent) suits a DPI: the exact
// scale; else the smallest one above it (shrinking keeps detail, enlarging
// blurs); else the largest. Answers an index into `percents`, or -1 when the
// list is empty.
int chooseImageVariant(int dpi, const int* percents, std::size_t count);

}  // namespace dui
