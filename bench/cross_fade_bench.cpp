// Figures for the slideshow's cross-fade: one blended frame of two 600 x 300
// premultiplied pictures, over the 40 weights of a whole fade.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "dui/controls/cross_fade.h"

int main() {
  constexpr int kWidth = 600, kHeight = 300, kFades = 25;
  const std::size_t count = std::size_t(kWidth) * kHeight;
  std::vector<std::uint32_t> next(count), previous(count), out(count);
  for (std::size_t i = 0; i < count; ++i) {
    next[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
    previous[i] = 0xFF000000u | std::uint32_t(i * 40503u);
  }
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  std::uint32_t sink = 0;
  ::QueryPerformanceCounter(&start);
  for (int fade = 0; fade < kFades; ++fade)
    for (int tick = 0; tick < dui::kCrossFadeTicks; ++tick) {
      dui::crossFade(next.data(), previous.data(), out.data(), count, dui::crossFadeAlpha(tick));
      sink ^= out[std::size_t(tick) * 997 % count];
    }
  ::QueryPerformanceCounter(&end);
  const int frames = kFades * dui::kCrossFadeTicks;
  const double us = double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / frames;
  std::printf("cross-fade of one %d x %d frame: %.1f us (%.2f ns a pixel), %d frames (check %08x)\n", kWidth,
              kHeight, us, us * 1000.0 / double(count), frames, unsigned(sink));
  return 0;
}
