// The slideshow's cross-fade: the blend weight of a tick and one blended
// frame of two premultiplied 32-bit pictures. Window-free arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dui {

// Ticks a cross-fade lasts: ticks 0 .. 39 blend, from tick 40 on the new
// picture stands alone.
inline constexpr int kCrossFadeTicks = 40;

// The weight of the new picture at a tick of the fade: (sin(tick * pi / 40 -
// pi / 2) + 1) * 128, truncated into 0 .. 255; it rises from 0 at tick 0 to
// 255 at tick 40 along half a sine wave.
int crossFadeAlpha(int tick);

// out = (next * alpha + previous * (256 - alpha)) / 256 for every byte of
// `count` 32-bit pixels, alpha in 0 .. 256 (clamped). Two channels are
// weighed per multiply (four multiplies a pixel, no lookups); the bytes are
// exactly what a per-byte table of x * alpha and x * (256 - alpha) gives.
// `out` may be either input.
void crossFade(const std::uint32_t* next, const std::uint32_t* previous, std::uint32_t* out, std::size_t count,
               int alpha);

}  // namespace dui
