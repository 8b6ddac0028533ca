// The cross-fade weight and the table-driven blend of one frame.
#include "dui/controls/cross_fade.h"

#include <algorithm>
#include <cmath>

namespace dui {

int crossFadeAlpha(int tick) {
  const double pi = 3.14159265358979323846;
  const double a = (std::sin(tick * pi / kCrossFadeTicks - pi / 2) + 1) * 128;
  return std::clamp(static_cast<int>(a), 0, 255);
}

void crossFade(const std::uint32_t* next, const std::uint32_t* previous, std::uint32_t* out, std::size_t count,
               int alpha) {
  const std::uint32_t a = static_cast<std::uint32_t>(std::clamp(alpha, 0, 256));
  std::uint32_t withNext[256], withPrevious[256];
  for (std::uint32_t x = 0; x < 256; ++x) {
    withNext[x] = x * a;
    withPrevious[x] = x * (256 - a);
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t n = next[i], p = previous[i];
    std::uint32_t blended = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const std::uint32_t byte = (withNext[(n >> shift) & 0xFF] + withPrevious[(p >> shift) & 0xFF]) >> 8;
      blended |= byte << shift;
    }
    out[i] = blended;
  }
}

}  // namespace dui
