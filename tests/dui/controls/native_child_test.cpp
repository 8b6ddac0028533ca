// Native child windows follow the controls that host them on a real window:
// a plain child window hosted through the placement notification, and the
// web browser's own window, on a tab page inside a panel inside a scrolling
// panel. Switching tabs, hiding the panel and scrolling move or hide them.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "dui/controls/list_controls.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/web_browser.h"
#include "dui/core/control_geometry.h"
#include "dui/core/framework.h"
#include "dui/core/native_placement.h"
#include "support/win32_handles.h"
#include "tests/dui/controls/control_window.h"

using namespace dui;

namespace {

// Hosts a plain child window: made when attached, then moved, cut to the
// part that shows (a window region) or hidden as the window tells.
class ChildHost : public Control {
 public:
  ChildHost() {
    addHandler(events::Attached, this, &ChildHost::onAttached);
    addHandler(events::PlacementChanged, this, &ChildHost::onPlacementChanged);
  }
  HWND child() const { return child_.get(); }

 private:
  void onAttached(Control* sender, Event&) {
    auto* host = dynamic_cast<WindowImpl*>(window());
    if (sender != this || child_ || !host) return;
    child_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, host->hwnd(), nullptr,
                                   nullptr, nullptr));
    host->followNativeChild(this);
  }
  void onPlacementChanged(Control* sender, Event& e) {
    const auto* p = reinterpret_cast<const NativePlacement*>(e.lparam);
    if (sender != this || !child_) return;
    if (!p->shown) {
      ::ShowWindow(child_.get(), SW_HIDE);
      return;
    }
    ::SetWindowPos(child_.get(), nullptr, p->rect.left, p->rect.top, p->rect.width(), p->rect.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    const Rect cut = p->visible.offset(-p->rect.left, -p->rect.top);
    kavri::UniqueHrgn region(::CreateRectRgn(cut.left, cut.top, cut.right, cut.bottom));
    if (::SetWindowRgn(child_.get(), region.get(), TRUE)) region.release();   // set: the system owns it
  }

  kavri::UniqueOwnedHwnd child_;
};

// A 400 x 300 window: a tab control with two pages; on the second, a panel
// holding a scrolling panel (300 x 200 at (20, 50) in the window) over
// content 600 tall, in which the host lies at (20, 50), 200 x 100: at
// (40, 100) - (240, 200) in the window while nothing is scrolled.
class NativeChildren : public dui_test::ControlWindow {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ControlWindow::SetUp();
  }
  void build(Control* host) {
    tabs = new TabControl;
    tabs->setInt(names::tabHeight, 30);
    for (TabItem*& item : items) {
      item = new TabItem;
      item->setInt(names::width, 60);
      tabs->addChild(item);
    }
    items[0]->setContent(new Canvas);
    auto* page = new Canvas;
    items[1]->setContent(page);
    box = static_cast<Panel*>(dui_test::place(page, new Canvas, 10, 10, 300, 200));
    scroller = static_cast<ScrollPanel*>(dui_test::place(box, new ScrollPanel, 0, 0, 300, 200));
    auto* content = new Canvas;
    content->setInt(names::height, 600);
    scroller->addChild(content);
    dui_test::place(content, host, 20, 50, 200, 100);
    dui_test::place(root, tabs, 10, 10, 380, 280);
    open();
    tabs->select(items[1]);
    dui_test::pumpFor();   // the placements come with the next frame's paint
  }
  void TearDown() override {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    dui_test::pump();   // the browser's last messages, while the framework still runs
    ControlWindow::TearDown();
    ::OleUninitialize();
  }

 public:   // the steps below drive these
  TabControl* tabs = nullptr;
  TabItem* items[2] = {};
  Panel* box = nullptr;
  ScrollPanel* scroller = nullptr;
};

struct Step {
  const char* name;
  std::function<void(NativeChildren&)> act;
  bool shown;
  Rect rect;      // where the native window is while shown
  Rect visible;   // the part a plain child keeps (its region, in client coordinates)
};

const Rect kHome{40, 100, 240, 200};

std::vector<Step> steps() {
  return {
      {"on the shown page", [](NativeChildren&) {}, true, kHome, kHome},
      {"another page selected", [](NativeChildren& t) { t.tabs->select(t.items[0]); }, false, {}, {}},
      {"its page selected again", [](NativeChildren& t) { t.tabs->select(t.items[1]); }, true, kHome, kHome},
      {"a parent panel hidden",
       [](NativeChildren& t) {
         t.box->setFlag(flags::Visible, false);
         invalidate(t.box, false);
       },
       false, {}, {}},
      {"the panel shown again",
       [](NativeChildren& t) {
         t.box->setFlag(flags::Visible, true);
         invalidate(t.box, false);
       },
       true, kHome, kHome},
      {"scrolled down 40", [](NativeChildren& t) { t.scroller->setVerticalOffset(40); }, true,
       {40, 60, 240, 160}, {40, 60, 240, 160}},
      {"scrolled partly out of view", [](NativeChildren& t) { t.scroller->setVerticalOffset(130); }, true,
       {40, -30, 240, 70}, {40, 50, 240, 70}},
      {"scrolled out of view", [](NativeChildren& t) { t.scroller->setVerticalOffset(400); }, false, {}, {}},
      {"scrolled back", [](NativeChildren& t) { t.scroller->setVerticalOffset(0); }, true, kHome, kHome},
  };
}

TEST_F(NativeChildren, APlainChildWindowFollowsItsControl) {
  auto* host = new ChildHost;
  build(host);
  ASSERT_NE(host->child(), nullptr);
  for (const Step& s : steps()) {
    SCOPED_TRACE(s.name);
    s.act(*this);
    dui_test::pumpFor();
    EXPECT_EQ(::IsWindowVisible(host->child()) != FALSE, s.shown);
    if (!s.shown) continue;
    EXPECT_EQ(dui_test::childRectIn(hwnd, host->child()), s.rect);
    RECT region{};
    kavri::UniqueHrgn rgn(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(host->child(), rgn.get()), ERROR);
    ::GetRgnBox(rgn.get(), &region);
    EXPECT_EQ((Rect{region.left, region.top, region.right, region.bottom}),
              s.visible.offset(-s.rect.left, -s.rect.top));
  }
}

TEST_F(NativeChildren, TheBrowserWindowFollowsItsControl) {
  auto* browser = new dui::WebBrowser;
  build(browser);
  if (!browser->active()) GTEST_SKIP() << "no browser object on this system";
  for (const Step& s : steps()) {
    SCOPED_TRACE(s.name);
    s.act(*this);
    dui_test::pumpFor();
    EXPECT_EQ(::IsWindowVisible(browser->browserWindow()) != FALSE, s.shown);
    if (s.shown) {
      EXPECT_EQ(dui_test::childRectIn(hwnd, browser->browserWindow()), s.rect);
    }
  }
}

}  // namespace
