// Benchmark (not a test): building the demo installer's first page from its
// layout file, looking styles up in the cache, and painting a button through
// its style, with the demo skin.
// Run: bash bench/run.sh markup
#include <windows.h>

#include <cstdio>
#include <functional>

#include "dui/controls/button_family.h"
#include "dui/core/msimg.h"
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
  dui::loadMsimg32();
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

  dui::shutdownMarkup();
  kavri::setCurrentFileSystem(nullptr);
  return 0;
}
