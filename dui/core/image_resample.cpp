// Filtered resizing of premultiplied pixels: one pass per axis, each target
// sample a weighted sum of source samples (a box when shrinking, a tent when
// enlarging).
#include "dui/core/image_resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace dui {
namespace {

struct Tap {
  int index;
  float weight;
};

// For each of `to` target samples, the source samples (of `from`) and their
// weights, normalized to sum 1.
std::vector<std::vector<Tap>> weights(int from, int to) {
  std::vector<std::vector<Tap>> result(static_cast<std::size_t>(to));
  const double ratio = static_cast<double>(from) / to;
  const double support = std::max(1.0, ratio);  // half-width of the filter in source samples
  for (int i = 0; i < to; ++i) {
    const double centre = (i + 0.5) * ratio;
    const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
    const int last = std::min(from - 1, static_cast<int>(std::ceil(centre + support)));
    double total = 0;
    auto& taps = result[static_cast<std::size_t>(i)];
    for (int s = first; s <= last; ++s) {
      double w;
      if (ratio > 1.0) {  // box: how much of source sample s lies in the footprint
        const double lo = std::max<double>(s, centre - ratio / 2), hi = std::min<double>(s + 1, centre + ratio / 2);
        w = hi - lo;
      } else {  // tent around the sample centre
        w = 1.0 - std::fabs(s + 0.5 - centre);
      }
      if (w <= 0) continue;
      taps.push_back(Tap{s, static_cast<float>(w)});
      total += w;
    }
    if (taps.empty()) {  // cannot happen for sane sizes; keep the nearest sample
      taps.push_back(Tap{std::min(from - 1, static_cast<int>(centre)), 1.0f});
      total = 1;
    }
    for (Tap& t : taps) t.weight = static_cast<float>(t.weight / total);
  }
  return result;
}

}  // namespace

bool resamplePremultiplied(const std::uint32_t* source, int width, int height, std::uint32_t* target,
                           int targetWidth, int targetHeight) {
  if (!source || !target || width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0) return false;
  const auto across = weights(width, targetWidth);
  const auto down = weights(height, targetHeight);
  // Horizontal pass into floats (4 channels), then vertical into the target.
  std::vector<float> rows(static_cast<std::size_t>(targetWidth) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* in = source + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    float* out = &rows[static_cast<std::size_t>(y) * static_cast<std::size_t>(targetWidth) * 4];
    for (int x = 0; x < targetWidth; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& t : across[static_cast<std::size_t>(x)]) {
        const std::uint32_t p = in[t.index];
        for (int c = 0; c < 4; ++c) sum[c] += static_cast<float>((p >> (8 * c)) & 0xFF) * t.weight;
      }
      std::copy(sum, sum + 4, out + 4 * x);
    }
  }
  for (int y = 0; y < targetHeight; ++y) {
    std::uint32_t* out = target + static_cast<std::size_t>(y) * static_cast<std::size_t>(targetWidth);
    for (int x = 0; x < targetWidth; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& t : down[static_cast<std::size_t>(y)]) {
        const float* in = &rows[(static_cast<std::size_t>(t.index) * static_cast<std::size_t>(targetWidth) +
                                 static_cast<std::size_t>(x)) * 4];
        for (int c = 0; c < 4; ++c) sum[c] += in[c] * t.weight;
      }
      std::uint32_t value = 0;
      int channel[4];
      for (int c = 0; c < 4; ++c) channel[c] = std::clamp(static_cast<int>(std::lround(sum[c])), 0, 255);
      // Premultiplied: no colour channel may exceed alpha.
      for (int c = 0; c < 3; ++c) channel[c] = std::min(channel[c], channel[3]);
      for (int c = 0; c < 4; ++c) value |= static_cast<std::uint32_t>(channel[c]) << (8 * c);
      out[x] = value;
    }
  }
  return true;
}

}  // namespace dui
