// Framework windows: size from the root, rounded regions, layered painting
// through the dirty list, the shadow window, the caret and the tooltip.
#include <gtest/gtest.h>

#include "dui/core/control_geometry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/framework.h"
#include "dui/core/shadowed_window.h"
#include "dui/core/window_messages.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using dui_test::place;

namespace {

SIZE windowSize(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(startFramework()); }
  void TearDown() override {
    for (HWND hwnd : created)
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    CorePlugs plugs = corePlugs();
    plugs.loadLayoutRoot = nullptr;
    replaceCorePlugs(plugs);
    shutdownFramework();
    dui_test::pump();
  }
  WindowImpl* make(Control* root, bool layered = false, DWORD exStyle = 0) {
    auto* window = new WindowImpl;
    window->setRoot(root);
    window->setLayered(layered);
    if (!window->create(exStyle, WS_POPUP, 40, 40, 0, 0, nullptr)) return nullptr;
    created.push_back(window->hwnd());
    return window;
  }
  std::vector<HWND> created;
};

Control* fixedRoot(int w, int h) {
  auto* root = new Canvas;
  root->setInt(names::width, w);
  root->setInt(names::height, h);
  return root;
}

TEST_F(Windows, SizeComesFromTheRootUnlessInitSizeIsSet) {
  WindowImpl* plain = make(fixedRoot(300, 200));
  ASSERT_NE(plain, nullptr);
  SIZE s = windowSize(plain->hwnd());
  EXPECT_EQ(s.cx, 300);
  EXPECT_EQ(s.cy, 200);
  EXPECT_EQ(plain->backBuffer().width(), 300);
  EXPECT_EQ(plain->backBuffer().height(), 200);

  Control* root = fixedRoot(300, 200);
  root->setSize(names::initSize, Size{500, 400});
  WindowImpl* sized = make(root);
  ASSERT_NE(sized, nullptr);
  s = windowSize(sized->hwnd());
  EXPECT_EQ(s.cx, 500);
  EXPECT_EQ(s.cy, 400);
}

TEST_F(Windows, RoundCornerRegionFollowsEveryResize) {
  Control* root = new Canvas;  // stretches with the window
  root->setSize(names::initSize, Size{300, 200});
  root->setSize(names::roundCorner, Size{8, 8});
  WindowImpl* window = make(root);
  ASSERT_NE(window, nullptr);
  auto regionBox = [&] {
    kavri::UniqueHrgn region(::CreateRectRgn(0, 0, 0, 0));
    RECT box{};
    if (::GetWindowRgn(window->hwnd(), region.get()) != ERROR) ::GetRgnBox(region.get(), &box);
    return box;
  };
  RECT box = regionBox();
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_GE(box.right, 300);  // the region is made from (0, 0, 301, 201)
  EXPECT_LE(box.right, 301);
  EXPECT_GE(box.bottom, 200);
  // A corner pixel is cut off, the middle of an edge is not.
  kavri::UniqueHrgn region(::CreateRectRgn(0, 0, 0, 0));
  ::GetWindowRgn(window->hwnd(), region.get());
  EXPECT_FALSE(::PtInRegion(region.get(), 0, 0));
  EXPECT_TRUE(::PtInRegion(region.get(), 150, 0));

  ::SetWindowPos(window->hwnd(), nullptr, 0, 0, 400, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  box = regionBox();
  EXPECT_GE(box.right, 400);
  EXPECT_GE(box.bottom, 250);
  EXPECT_EQ(root->rect().right, 400);  // the root was laid out again
}

TEST_F(Windows, LayeredWindowMergesSideBySideAreasAndFlushesOnItsMessage) {
  auto* root = static_cast<Canvas*>(fixedRoot(300, 200));
  Control* left = place(root, new Control, 10, 10, 50, 30);
  Control* right = place(root, new Control, 60, 10, 50, 30);
  WindowImpl* window = make(root, true);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
  dui_test::pump();  // the first layered update
  EXPECT_TRUE(window->dirtyList().empty());

  invalidate(left, false);
  invalidate(right, false);
  ASSERT_EQ(window->dirtyList().size(), 1u);
  EXPECT_EQ(window->dirtyList()[0], (Rect{10, 10, 110, 40}));
  window->invalidateArea(Rect{20, 15, 90, 35});  // inside: adds nothing
  EXPECT_EQ(window->dirtyList().size(), 1u);
  dui_test::pumpFor();  // one repaint (in the next frame at the latest) flushes everything
  EXPECT_TRUE(window->dirtyList().empty());
}

// Fills its rectangle with one colour and counts its paints.
class Swatch : public Control {
 public:
  explicit Swatch(COLORREF colour) : colour_(colour) {}
  void draw(HDC dc, const Rect& drawRect, const Rect&) override {
    ++paints;
    RECT r{drawRect.left, drawRect.top, drawRect.right, drawRect.bottom};
    kavri::UniqueHbrush brush(::CreateSolidBrush(colour_));
    ::FillRect(dc, &r, brush.get());
  }
  int paints = 0;

 private:
  COLORREF colour_;
};

// Repaints asked for without waiting are held back to the next frame, so
// invalidations in quick succession (a report per installed file) cost one
// paint per frame, not one each; all of them are painted in the end. How
// many frames the burst spans depends on the machine's load, so the bound is
// taken from the time it took.
TEST_F(Windows, QuickInvalidationsArePaintedOncePerFrame) {
  for (bool layered : {false, true}) {
    SCOPED_TRACE(layered ? "layered" : "ordinary");
    auto* root = static_cast<Canvas*>(fixedRoot(200, 100));
    auto* swatch = static_cast<Swatch*>(place(root, new Swatch(RGB(0, 255, 0)), 10, 10, 40, 20));
    WindowImpl* window = make(root, layered);
    ASSERT_NE(window, nullptr);
    ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
    dui_test::pumpFor();
    swatch->paints = 0;
    constexpr int kBurst = 40;
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < kBurst; ++i) {
      invalidate(swatch, false);
      dui_test::pump();   // a message-queue pass after each, as between two reports
    }
    const DWORD spent = ::GetTickCount() - start;
    dui_test::pumpFor();
    const int frames = int(spent / WindowImpl::kFrameMs) + 2;
    EXPECT_GE(swatch->paints, 1);
    if (frames < kBurst) {
      EXPECT_LE(swatch->paints, frames) << "burst of " << kBurst << " in " << spent << " ms";
    }
    EXPECT_TRUE(window->dirtyList().empty());
    ::GdiFlush();
    EXPECT_EQ(window->backBuffer().pixels()[20 * 200 + 20] & 0xFFFFFF, 0x00FF00u);

    swatch->paints = 0;
    invalidate(swatch, true);   // a synchronous repaint never waits for the frame
    EXPECT_EQ(swatch->paints, 1);
  }
}

TEST_F(Windows, RepaintDrawsOnlyTheInvalidatedControlIntoTheBackBuffer) {
  for (bool layered : {false, true}) {
    SCOPED_TRACE(layered ? "layered" : "ordinary");
    auto* root = static_cast<Canvas*>(fixedRoot(200, 100));
    auto* red = static_cast<Swatch*>(place(root, new Swatch(RGB(255, 0, 0)), 10, 10, 40, 20));
    auto* blue = static_cast<Swatch*>(place(root, new Swatch(RGB(0, 0, 255)), 100, 10, 40, 20));
    WindowImpl* window = make(root, layered);
    ASSERT_NE(window, nullptr);
    ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
    dui_test::pump();
    ::UpdateWindow(window->hwnd());
    const std::uint32_t* px = window->backBuffer().pixels();
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(px[20 * 200 + 20] & 0xFFFFFF, 0xFF0000u);   // red, as BGRA
    EXPECT_EQ(px[20 * 200 + 110] & 0xFFFFFF, 0x0000FFu);  // blue
    const int bluePaints = blue->paints;
    red->paints = 0;
    invalidate(red, true);  // synchronous: painted before this returns
    EXPECT_EQ(red->paints, 1);
    EXPECT_EQ(blue->paints, bluePaints);
  }
}

TEST_F(Windows, CaretShownWhileStoppedIsHiddenForTheFirstIntervalThenBlinks) {
  WindowImpl* window = make(fixedRoot(200, 100));
  ASSERT_NE(window, nullptr);
  window->setCaretSize(1, 16);
  window->showCaret(10, 5);
  EXPECT_TRUE(window->caretBlinking());
  EXPECT_FALSE(window->caretDrawn());  // the immediate first tick toggled it off
  window->showCaret(20, 5);            // already blinking: drawn at once at the new place
  EXPECT_TRUE(window->caretDrawn());
  window->hideCaret();
  EXPECT_FALSE(window->caretBlinking());
  EXPECT_FALSE(window->caretDrawn());
}

// Forwards everything but WM_SIZE, so the back buffer keeps its old size
// while the client area grows (as between a resize and its WM_SIZE).
WNDPROC g_windowProc = nullptr;
LRESULT CALLBACK withoutSize(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) return 0;
  return ::CallWindowProcW(g_windowProc, hwnd, message, wParam, lParam);
}

TEST_F(Windows, TheCaretOfALayeredWindowTouchesOnlyItsBackBuffer) {
  WindowImpl* window = make(fixedRoot(200, 100), true);
  ASSERT_NE(window, nullptr);
  HWND hwnd = window->hwnd();
  g_windowProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&withoutSize)));
  // As tall as the screen allows; the caret fills the client area below the
  // buffer's last row.
  const int screen = ::GetSystemMetrics(SM_CYSCREEN);
  ::SetWindowPos(hwnd, nullptr, 0, 0, 200, screen, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_EQ(window->backBuffer().height(), 100);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  ASSERT_GT(client.bottom, 400);
  window->setCaretSize(20, client.bottom - 150);
  window->showCaret(10, 5);
  window->showCaret(20, 150);
  ASSERT_TRUE(window->caretDrawn());
  window->flush();   // writing the caret's alpha there would run off the buffer
  window->hideCaret();
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_windowProc));
  SUCCEED();
}

// A control that moved under a still cursor learns it from a posted move.
TEST_F(Windows, APostedMouseMoveReachesTheControlNowUnderTheCursor) {
  auto* root = static_cast<Canvas*>(fixedRoot(200, 100));
  Control* a = place(root, new Control, 10, 10, 50, 30);
  Control* b = place(root, new Control, 100, 10, 50, 30);
  WindowImpl* window = make(root);
  ASSERT_NE(window, nullptr);
  dui_test::EventLog log;
  log.tap(a, "a");
  log.tap(b, "b");
  dui_test::cursorTo(window->hwnd(), 20, 20);
  ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
  window->postMouseMove();
  dui_test::pump();
  ASSERT_TRUE(a->hasFlag(flags::MouseOver));
  log.take();
  b->setRect(Rect{10, 10, 60, 40});   // b slides over a, under the cursor
  a->setRect(Rect{100, 10, 150, 40});
  window->postMouseMove();
  dui_test::pump();
  EXPECT_EQ(log.take(), (std::vector<std::string>{"a:MouseLeave", "b:MouseEnter"}));
}

TEST(TooltipPosition, ShiftedLeftNearTheRightScreenEdge) {
  EXPECT_EQ(tooltipPosition(POINT{100, 50}, 10, 1280).x, 100);
  EXPECT_EQ(tooltipPosition(POINT{100, 50}, 10, 1280).y, 69);
  const POINT edge = tooltipPosition(POINT{1250, 50}, 10, 1280);  // 140 pixels wide
  EXPECT_EQ(edge.x, 1280 - 140 - 2);
  EXPECT_EQ(edge.y, 69);
}

TEST_F(Windows, TooltipShowsOnHoverOverAControlWithTooltipText) {
  auto* root = static_cast<Canvas*>(fixedRoot(200, 100));
  Control* tipped = place(root, new Control, 10, 10, 50, 30);
  tipped->setString(names::tooltip, L"Choose a folder");
  WindowImpl* window = make(root);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->tooltipWindow(), nullptr);   // made when a tooltip first shows
  ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
  dui_test::cursorTo(window->hwnd(), 20, 20);
  ::SendMessageW(window->hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(20, 20));
  ASSERT_NE(window->tooltipWindow(), nullptr);
  EXPECT_TRUE(window->tooltipVisible());
  EXPECT_EQ(::GetWindow(window->tooltipWindow(), GW_OWNER), window->hwnd());
  ::SendMessageW(window->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_FALSE(window->tooltipVisible());
}

TEST_F(Windows, ShadowFollowsMovesAndVisibilityWithFixedMargins) {
  static int loads = 0;
  loads = 0;
  CorePlugs plugs = corePlugs();
  plugs.loadLayoutRoot = [](const std::wstring& name) -> Control* {
    ++loads;
    if (name == L"main.xml") return fixedRoot(300, 200);
    return nullptr;  // "proxywindow.xml" is not there: an empty root
  };
  replaceCorePlugs(plugs);
  auto* window = new ShadowedWindow(L"main.xml");
  ASSERT_TRUE(window->create(0, WS_POPUP, 0, 0, 0, 0, nullptr));
  HWND hwnd = window->hwnd();
  created.push_back(hwnd);
  EXPECT_EQ(loads, 2);
  HWND shadow = window->shadowWindow();
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(::GetWindow(shadow, GW_OWNER), hwnd);
  const LONG exStyle = ::GetWindowLongW(shadow, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(::IsWindowVisible(shadow));

  ::SetWindowPos(hwnd, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT s{};
  ::GetWindowRect(shadow, &s);
  EXPECT_EQ(s.left, 180);
  EXPECT_EQ(s.top, 136);
  EXPECT_EQ(s.right, 200 + 300 + 16);
  EXPECT_EQ(s.bottom, 150 + 200 + 21);

  // Without a shadow layout the shadow draws a soft border, clear over the window.
  dui_test::pump();
  auto* proxy = dynamic_cast<WindowImpl*>(WindowBase::fromHandle(shadow));
  ASSERT_NE(proxy, nullptr);
  const std::uint32_t* px = proxy->backBuffer().pixels();
  ASSERT_NE(px, nullptr);
  const int stride = proxy->backBuffer().width();
  EXPECT_EQ(stride, 336);
  EXPECT_GT(px[114 * stride + 18] >> 24, 0u);      // just left of the window
  EXPECT_EQ(px[114 * stride + 168] >> 24, 0u);     // over the window
  EXPECT_EQ(px[114 * stride + 0] >> 24, 0u);       // faded out at the far edge

  ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(::IsWindowVisible(shadow));
  ::ShowWindow(hwnd, SW_HIDE);
  EXPECT_FALSE(::IsWindowVisible(shadow));

  ::DestroyWindow(hwnd);
  EXPECT_FALSE(::IsWindow(shadow));  // destroyed with its owner
  EXPECT_EQ(liveWindowCount(), 0u);
}

TEST_F(Windows, ModalRunOfAScriptWindowEndsOnlyByEndModal) {
  auto* window = new ShadowedWindow(L"dialog.xml");
  ASSERT_TRUE(window->create(0, WS_POPUP | WS_SYSMENU | WS_CAPTION, 0, 0, 0, 0, nullptr));
  HWND hwnd = window->hwnd();
  HWND shadow = window->shadowWindow();
  struct Ender : Timer {
    Ender(WindowImpl* w, HWND h) : Timer(30), window(w), hwnd(h) {}
    void tick() override {
      if (++ticks == 1) return;  // the immediate tick
      if (ticks == 2) {
        ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
      }
      aliveAfterClose = ::IsWindow(hwnd) != FALSE;
      stop();
      window->endModal(42);
    }
    WindowImpl* window;
    HWND hwnd;
    int ticks = 0;
    bool aliveAfterClose = false;
  } ender(window, hwnd);
  ender.start();
  EXPECT_EQ(window->runModal(nullptr), 42);
  EXPECT_EQ(ender.ticks, 3);
  EXPECT_TRUE(ender.aliveAfterClose);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindow(shadow));
}

}  // namespace
