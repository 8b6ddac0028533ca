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
  const std::uint32_t b = 256 - a;
  // Two channels a word: each 16-bit lane holds x * a + y * (256 - a), at
  // most 255 * 256, so no lane carries into the next; the high byte of each
  // lane is the blended channel, exactly as a per-byte lookup gives it.
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t n = next[i], p = previous[i];
    const std::uint32_t redBlue = ((n & 0x00FF00FFu) * a + (p & 0x00FF00FFu) * b) >> 8;
    const std::uint32_t alphaGreen = ((n >> 8) & 0x00FF00FFu) * a + ((p >> 8) & 0x00FF00FFu) * b;
    out[i] = (redBlue & 0x00FF00FFu) | (alphaGreen & 0xFF00FF00u);
  }
}

}  // namespace dui
