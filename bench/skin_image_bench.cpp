// Benchmark (not a test): decoding a skin image, and drawing it plain and as a
// nine-grid, opaque and blended, into a window-sized 32-bit back buffer.
// Run: bash bench/run.sh skin-image
#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "dui/core/msimg.h"
#include "dui/core/skin_image.h"
#include "support/win32_handles.h"
#include "tests/helpers/bench_timer.h"
#include "tests/helpers/image_files.h"

namespace {

using kavri::test::Rgba;

double millisecondsPerRun(int runs, const std::function<void()>& body) {
  return 1000.0 * kavri::test::secondsPerRun(runs, body);
}

std::vector<uint8_t> pictureOf(int size, bool translucent) {
  std::vector<Rgba> pixels;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      pixels.push_back(Rgba{uint8_t(x), uint8_t(y), uint8_t(x ^ y), uint8_t(translucent ? 128 + (x & 127) : 255)});
  return kavri::test::encodePng(size, size, pixels);
}

void report(const char* operation, const char* kind, double milliseconds) {
  char label[64];
  std::snprintf(label, sizeof(label), "%s (%s)", operation, kind);
  std::printf("%-44s %10.3f\n", label, milliseconds);
}

}  // namespace

int main() {
  dui::loadMsimg32();
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 800, -600, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  kavri::UniqueHbitmap buffer(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  kavri::UniqueHdc dc(::CreateCompatibleDC(nullptr));
  kavri::ScopedSelect select(dc.get(), buffer.get());

  std::printf("%-44s %10s\n", "operation", "ms/run");
  for (const bool translucent : {false, true}) {
    const char* kind = translucent ? "blended" : "opaque";
    const std::vector<uint8_t> png = pictureOf(256, translucent);
    dui::SkinImage image;
    const double decode = millisecondsPerRun(50, [&] { image.load(png.data(), png.size()); });
    report("decode 256x256 PNG", kind, decode);
    const double plain = millisecondsPerRun(200, [&] { image.drawInRect(dc.get(), 0, 0, 800, 600); });
    report("stretch to 800x600", kind, plain);
    const double nine =
        millisecondsPerRun(200, [&] { image.drawNineGrid(dc.get(), 0, 0, 800, 600, 40, 40, 40, 40); });
    report("nine-grid to 800x600", kind, nine);
    const double small =
        millisecondsPerRun(2000, [&] { image.drawNineGrid(dc.get(), 10, 10, 110, 38, 4, 4, 4, 4); });
    report("nine-grid button 100x28", kind, small);
  }
  return 0;
}
