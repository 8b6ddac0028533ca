// Layout-unit and device-pixel conversions and the choice of image variants.
#include "dui/core/dpi_scale.h"

#include <cstdint>

namespace dui {
namespace {

// Integer arithmetic in 64 bits: layout sums saturate at the 32-bit limits and
// must not wrap on the way through a multiplication.
std::int32_t clamp32(std::int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

// floor(a / b) for b > 0.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return -floorDiv(-a, b); }

// round(a / b), halves away from zero, for b > 0.
std::int64_t roundDiv(std::int64_t a, std::int64_t b) {
  return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

}  // namespace

int sanitizeDpi(int dpi) {
  if (dpi <= 0) return kLayoutDpi;
  if (dpi < 48) return 48;
  if (dpi > 960) return 960;
  return dpi;
}

int DpiScale::toDevice(int layout) const {
  return identity() ? layout : clamp32(roundDiv(std::int64_t{layout} * dpi_, kLayoutDpi));
}

Size DpiScale::toDevice(Size layout) const { return Size{toDevice(layout.width), toDevice(layout.height)}; }

Rect DpiScale::toDevice(const Rect& r) const {
  return Rect{toDevice(r.left), toDevice(r.top), toDevice(r.right), toDevice(r.bottom)};
}

Rect DpiScale::coverDevice(const Rect& r) const {
  if (identity()) return r;
  return Rect{clamp32(floorDiv(std::int64_t{r.left} * dpi_, kLayoutDpi)),
              clamp32(floorDiv(std::int64_t{r.top} * dpi_, kLayoutDpi)),
              clamp32(ceilDiv(std::int64_t{r.right} * dpi_, kLayoutDpi)),
              clamp32(ceilDiv(std::int64_t{r.bottom} * dpi_, kLayoutDpi))};
}

int DpiScale::toLayout(int device) const {
  return identity() ? device : clamp32(floorDiv(std::int64_t{device} * kLayoutDpi, dpi_));
}

Point DpiScale::toLayout(Point device) const { return Point{toLayout(device.x), toLayout(device.y)}; }

int DpiScale::toLayoutCeil(int device) const {
  return identity() ? device : clamp32(ceilDiv(std::int64_t{device} * kLayoutDpi, dpi_));
}

Size DpiScale::toLayoutCeil(Size device) const {
  return Size{toLayoutCeil(device.width), toLayoutCeil(device.height)};
}

Rect DpiScale::coverLayout(const Rect& r) const {
  return Rect{toLayout(r.left), toLayout(r.top), toLayoutCeil(r.right), toLayoutCeil(r.bottom)};
}

std::wstring imageVariantName(const std::wstring& name, int percent) {
  if (percent == 100) return name;
  std::wstring suffix = L"@";
  suffix += std::to_wstring(percent / 100);
  if (percent % 100 != 0) {
    std::wstring fraction = std::to_wstring(percent % 100);
    if (fraction.size() < 2) fraction.insert(0, 1, L'0');
    while (!fraction.empty() && fraction.back() == L'0') fraction.pop_back();
    suffix += L"." + fraction;
  }
  suffix += L"x";
  const std::size_t slash = name.find_last_of(L"/\\");
  const std::size_t dot = name.rfind(L'.');
  const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash + 1);
  if (!hasExtension) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

int chooseImageVariant(int dpi, const int* percents, std::size_t count) {
  if (!percents || count == 0) return -1;
  const std::int64_t want = std::int64_t{sanitizeDpi(dpi)} * 100;  // percent x 96
  int above = -1;
  int largest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t have = std::int64_t{percents[i]} * kLayoutDpi;
    if (have == want) return static_cast<int>(i);
    if (have > want && (above < 0 || percents[i] < percents[above])) above = static_cast<int>(i);
    if (percents[i] > percents[largest]) largest = static_cast<int>(i);
  }
  return above >= 0 ? above : largest;
}

}  // namespace dui
