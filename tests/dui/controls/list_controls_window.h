// A ControlWindow with a small skin for the scrolling controls: 16-pixel bars
// (vertical and horizontal) with 16 x 16 arrows, and a slider thumb 10 x 20.
#pragma once

#include "package/file_system.h"
#include "dui/markup/markup_startup.h"
#include "tests/dui/controls/control_window.h"
#include "tests/dui/markup/markup_test_util.h"

namespace dui_test {

class ListControlsWindow : public ControlWindow {
 protected:
  void SetUp() override {
    ControlWindow::SetUp();
    kavri::setCurrentFileSystem(&files_);
    using dui::test::solidPng;
    using dui::test::textEntry;
    std::vector<dui::test::PackageEntry> entries;
    entries.push_back(solidPng("bar.png", 200, 200, 200, 16, 16));
    entries.push_back(solidPng("arrow.png", 90, 90, 90, 16, 16));
    entries.push_back(solidPng("thumb.png", 40, 40, 40, 10, 20));
    entries.push_back(textEntry("vscrollbar.xml",
                                "<Style><Config type=\"ScrollBar\"><Prop barSkin=\"bar.png\" upArrowUpSkin=\"arrow.png\""
                                " downArrowUpSkin=\"arrow.png\" thumbUpSkin=\"arrow.png\"/></Config></Style>"));
    entries.push_back(textEntry("hscrollbar.xml",
                                "<Style><Config type=\"ScrollBar\"><Prop barSkin=\"bar.png\" upArrowUpSkin=\"arrow.png\""
                                " downArrowUpSkin=\"arrow.png\" thumbUpSkin=\"arrow.png\"/></Config></Style>"));
    entries.push_back(textEntry("slider.xml",
                                "<Style><Config type=\"Slider\"><Prop thumbUpSkin=\"thumb.png\"/></Config></Style>"));
    files_.addFile(L"style.lz", kavri::test::buildImage(std::move(entries)));
    ASSERT_TRUE(dui::openSkinPackage(L"style.lz"));
  }
  void TearDown() override {
    ControlWindow::TearDown();
    dui::closeSkinPackage();
    kavri::setCurrentFileSystem(nullptr);
  }
  // Runs the thread's messages until `done` holds or two seconds pass.
  template <class Done>
  static bool pumpUntil(Done done) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
      if (::GetTickCount() - start > 2000) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      pump();
    }
    return true;
  }
  void wheel(int x, int y, int delta) {
    cursorTo(hwnd, x, y);
    POINT screen{x, y};
    ::ClientToScreen(hwnd, &screen);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), MAKELPARAM(screen.x, screen.y));
  }

  kavri::MemoryFileSystem files_;
};

// Counts the events of one code raised at (or bubbling through) a control.
struct EventCount {
  int count = 0;
  std::uintptr_t lastWparam = 0;
  std::intptr_t lastLparam = 0;
  void on(dui::Control*, dui::Event& e) {
    ++count;
    lastWparam = e.wparam;
    lastLparam = e.lparam;
  }
  void tap(dui::Control* c, std::uint32_t code) { c->addHandler(code, this, &EventCount::on); }
};

}  // namespace dui_test
