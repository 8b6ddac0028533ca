// Benchmark (not a test): building the demo installer's first page from its
// layout file, looking styles up in the cache, painting a button through its
// style, and laying out and painting the whole window at 100 % and 200 %
// display scale, with the demo skin.
// Run: bash bench/run.sh markup
#include <windows.h>

#include <cstdio>
#include <functional>

#include "dui/controls/button_family.h"
#include "dui/core/dpi_scale.h"
#include "dui/core/framework.h"
#include "dui/core/layout.h"
#include "dui/core/msimg.h"
#include "dui/core/window_impl.h"
#include "dui/markup/layout_loader.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/skin_resources.h"
#include "tests/dui/markup/markup_test_util.h"
#include "tests/helpers/bench_timer.h"

namespace {

double microsecondsPerRun(int runs, const std::function<void()>& body) {
  return 1e6 * kavri::test::secondsPerRun(runs, body);
}

}  // namespace

int main() {
  kavri::MemoryFileSystem files;
  kavri::setCurrentFileSystem(&files);
  files.addFile(L"frame.lz", kavri::test::buildImage(dui::test::folderEntries(KAVRI_INSTALLER_DIR "/frame")));
  files.addFile(L"style.lz", kavri::test::buildImage(dui::test::folderEntries(KAVRI_INSTALLER_DIR "/style")));
  dui::startFramework();
  dui::startMarkup();
  if (!dui::openSkinPackage(L"style.lz") || !dui::openLayoutPackage(L"frame.lz")) {
    std::printf("demo packages could not be opened\n");
    return 1;
  }

  std::printf("%-48s %12s\n", "operation", "us per run");
  std::printf("%-48s %12.2f\n", "load main.xml (extract, parse, build)",
              microsecondsPerRun(2000, [] { dui::layoutLoader().load(L"main.xml"); }));
  std::printf("%-48s %12.3f\n", "getStyle(\"button.xml\"), cached",
              microsecondsPerRun(200000, [] { dui::skinResources().getStyle(L"button.xml"); }));

  dui::test::PixelCanvas canvas(600, 400);
  dui::Button button;
  button.setString(dui::names::style, L"button.xml");
  button.setString(dui::names::text, L"Install");
  const dui::Rect rect{440, 340, 560, 372};
  std::printf("%-48s %12.2f\n", "draw a 120 x 32 button (nine-grid and text)",
              microsecondsPerRun(5000, [&] { button.draw(canvas.dc(), rect, rect); }));

  // The window's frame: a layout pass and a full paint of the demo's window
  // (WM_PRINTCLIENT, through the window's scaling transform) into a buffer of
  // its size in pixels. At 200 % the frame has four times the pixels; the
  // per-pixel figure divides that out.
  std::unique_ptr<dui::Control> page = dui::layoutLoader().load(L"main.xml");
  auto* window = new dui::WindowImpl;
  window->setRoot(page.release());
  if (window->root() && window->create(0, WS_POPUP, 0, 0, 0, 0, nullptr)) {
    HWND hwnd = window->hwnd();
    double perFrame[2] = {0, 0};
    const int dpis[2] = {96, 192};
    for (int i = 0; i < 2; ++i) {
      const dui::DpiScale scale(dpis[i]);
      const dui::Size pixels = scale.toDevice(dui::rootLayoutPass(window->root()));
      RECT suggested{0, 0, pixels.width, pixels.height};
      ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpis[i], dpis[i]), reinterpret_cast<LPARAM>(&suggested));
      dui::test::PixelCanvas frame(pixels.width, pixels.height);
      perFrame[i] = microsecondsPerRun(300, [&] {
        dui::rootLayoutPass(window->root());
        ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(frame.dc()), PRF_CLIENT);
        ::GdiFlush();
      });
      char label[64];
      std::snprintf(label, sizeof label, "lay out and paint main.xml at %d %% (%dx%d)", dpis[i] * 100 / 96,
                    pixels.width, pixels.height);
      std::printf("%-48s %12.2f\n", label, perFrame[i]);
    }
    std::printf("%-48s %12.2f\n", "200 % / 100 %, per frame", perFrame[1] / perFrame[0]);
    std::printf("%-48s %12.2f\n", "200 % / 100 %, per pixel (frame / 4)", perFrame[1] / perFrame[0] / 4);
    ::DestroyWindow(hwnd);
  }

  dui::shutdownMarkup();
  dui::shutdownFramework();
  kavri::setCurrentFileSystem(nullptr);
  return 0;
}
