// Input routing on a real window driven by sent messages: hover path, press,
// capture, release, double click, keys, focus, forgetting, deferred events.
#include <gtest/gtest.h>

#include "dui/core/deferred_call.h"
#include "dui/core/framework.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using dui_test::at;
using dui_test::place;
using Lines = std::vector<std::string>;

namespace {

// root (Canvas 300 x 200)
//   button  (10, 10, 50 x 30)   CaptureOnPress | RepaintOnMouse | ClearsFocus | Focusable
//   other   (100, 10, 50 x 30)
//   panel   (10, 100, 200 x 80)
//     under (10, 10, 50 x 30)   a control below `top`, same rectangle
//     top   (10, 10, 50 x 30)
class WindowInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startFramework());
    root = new Canvas;
    root->setInt(names::width, 300);
    root->setInt(names::height, 200);
    button = place(root, new Control, 10, 10, 50, 30, flags::ButtonLike | flags::Focusable);
    other = place(root, new Control, 100, 10, 50, 30);
    panel = static_cast<Panel*>(place(root, new Canvas, 10, 100, 200, 80));
    under = place(panel, new Control, 10, 10, 50, 30);
    top = place(panel, new Control, 10, 10, 50, 30);
    window = dui_test::openQuietPopup(root);
    ASSERT_NE(window, nullptr);
    hwnd = window->hwnd();
    for (auto [c, name] : {std::pair<Control*, const char*>{root, "root"}, {button, "button"}, {other, "other"},
                           {panel, "panel"}, {under, "under"}, {top, "top"}})
      log.tap(c, name);
  }
  void TearDown() override {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    shutdownFramework();
    dui_test::pump();
  }
  LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) { return ::SendMessageW(hwnd, message, wParam, lParam); }

  WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
  Canvas* root = nullptr;
  Control* button = nullptr;
  Control* other = nullptr;
  Panel* panel = nullptr;
  Control* under = nullptr;
  Control* top = nullptr;
  dui_test::EventLog log;
};

TEST_F(WindowInput, HoverPathEntersFromTheRootAndSiblingsSwapAlone) {
  send(WM_MOUSEMOVE, 0, at(20, 20));
  EXPECT_EQ(log.take(), (Lines{"root:MouseEnter", "button:MouseEnter"}));
  EXPECT_TRUE(root->hasFlag(flags::MouseOver) && button->hasFlag(flags::MouseOver));
  send(WM_MOUSEMOVE, 0, at(110, 20));
  EXPECT_EQ(log.take(), (Lines{"button:MouseLeave", "other:MouseEnter"}));
  EXPECT_TRUE(root->hasFlag(flags::MouseOver));
  EXPECT_FALSE(button->hasFlag(flags::MouseOver));
  send(WM_MOUSEMOVE, 0, at(30, 120));  // into the panel, onto `top` (the later child wins)
  EXPECT_EQ(log.take(), (Lines{"other:MouseLeave", "panel:MouseEnter", "top:MouseEnter"}));
  send(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(log.take(), (Lines{"top:MouseLeave", "panel:MouseLeave", "root:MouseLeave"}));
  EXPECT_EQ(window->hoverTarget(), nullptr);
  EXPECT_TRUE(window->hoverPath().empty());
}

TEST_F(WindowInput, PressMoveOffAndReleaseOutsideGoesToTheHolder) {
  send(WM_MOUSEMOVE, 0, at(20, 20));
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  log.take();
  log.withMoves = true;
  EXPECT_EQ(window->captureHolder(), button);
  EXPECT_EQ(::GetCapture(), hwnd);
  send(WM_MOUSEMOVE, MK_LBUTTON, at(110, 20));  // the hover path follows; moves go to the holder
  EXPECT_EQ(log.take(), (Lines{"button:MouseLeave", "other:MouseEnter", "button:MouseMove"}));
  log.withMoves = false;
  send(WM_LBUTTONUP, 0, at(0xFFFB, 20));  // x = -5: outside the client area, hits nothing
  // Leaving runs from the control nearest the root down to the old target.
  EXPECT_EQ(log.take(), (Lines{"button:LButtonUp", "button:LostCapture", "root:MouseLeave", "other:MouseLeave"}));
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_FALSE(button->hasFlag(flags::Captured));
  EXPECT_NE(::GetCapture(), hwnd);
}

TEST_F(WindowInput, ReleaseElsewhereWithoutAMoveThenCatchesUpTheHoverPath) {
  send(WM_MOUSEMOVE, 0, at(20, 20));
  log.take();
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  EXPECT_EQ(log.take(), (Lines{"button:PrevLButtonDown", "button:GotCapture", "button:GotFocus",
                               "button:LButtonDown"}));
  send(WM_LBUTTONUP, 0, at(110, 20));
  EXPECT_EQ(log.take(), (Lines{"button:LButtonUp", "button:LostCapture", "button:MouseLeave", "other:MouseEnter"}));
}

TEST_F(WindowInput, DisabledTargetRaisesNothingAndTransparentLabelsLetThePressThrough) {
  window->setFocus(other);
  log.take();
  button->setFlag(flags::Enabled, false);
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  EXPECT_TRUE(log.take().empty());
  EXPECT_EQ(window->focusControl(), other);

  top->setFlag(flags::HitTransparent, true);
  under->setFlag(flags::Focusable, true);
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(30, 120));
  EXPECT_EQ(log.take(), (Lines{"under:PrevLButtonDown", "other:LostFocus", "under:GotFocus", "under:LButtonDown"}));
}

TEST_F(WindowInput, HandledPrevPressStopsCaptureFocusAndThePlainEvent) {
  struct Stopper {
    void on(Control*, Event& e) { e.handled = 1; }
  } stopper;
  root->addHandler(events::PrevLButtonDown, &stopper, &Stopper::on);  // the root sees the tunnel first
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  EXPECT_EQ(log.take(), Lines{});  // the target's own handler never ran
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_EQ(window->focusControl(), nullptr);
}

TEST_F(WindowInput, DoubleClickWithoutDoubleClicksIsASecondPress) {
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  send(WM_LBUTTONUP, 0, at(20, 20));
  log.take();
  send(WM_LBUTTONDBLCLK, MK_LBUTTON, at(20, 20));
  EXPECT_EQ(log.take(), (Lines{"button:PrevLButtonDown", "button:GotCapture", "button:LButtonDown"}));
  send(WM_LBUTTONUP, 0, at(20, 20));
  log.take();
  button->setFlag(flags::DoubleClicks, true);
  send(WM_LBUTTONDBLCLK, MK_LBUTTON, at(20, 20));
  EXPECT_EQ(log.take(), Lines{"button:LButtonDbClick"});
  EXPECT_EQ(window->captureHolder(), nullptr);
}

TEST_F(WindowInput, RightButtonNeitherCapturesNorFocuses) {
  send(WM_RBUTTONDOWN, MK_RBUTTON, at(20, 20));
  send(WM_RBUTTONDBLCLK, MK_RBUTTON, at(20, 20));  // without DoubleClicks: a second press
  EXPECT_EQ(log.take(), (Lines{"button:PrevRButtonDown", "button:RButtonDown", "button:PrevRButtonDown",
                               "button:RButtonDown"}));
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_EQ(window->focusControl(), nullptr);
}

TEST_F(WindowInput, KeysGoToTheFocusAndFocusSurvivesDeactivation) {
  send(WM_KEYDOWN, 'A', 1);
  send(WM_CHAR, 'a', 1);
  EXPECT_TRUE(log.take().empty());  // no focus control: nothing raised
  window->setFocus(button);
  EXPECT_EQ(log.take(), Lines{"button:GotFocus"});
  send(WM_KEYDOWN, 'A', 1);
  send(WM_CHAR, 'a', 1);
  EXPECT_EQ(log.take(), (Lines{"button:PrevKeyDown", "button:KeyDown", "button:PrevKeyPress", "button:KeyPress"}));

  send(WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(log.take(), Lines{"button:LostFocus"});
  EXPECT_EQ(window->focusControl(), nullptr);
  EXPECT_EQ(window->savedFocus(), button);
  EXPECT_TRUE(button->hasFlag(flags::Focused));
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(log.take(), Lines{"button:GotFocus"});
  EXPECT_EQ(window->focusControl(), button);
  EXPECT_EQ(window->savedFocus(), nullptr);
}

TEST_F(WindowInput, CaptureTakenAwayBySystemRaisesLostCapture) {
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(20, 20));
  log.take();
  ::ReleaseCapture();  // the system tells the window through WM_CAPTURECHANGED
  EXPECT_EQ(log.take(), Lines{"button:LostCapture"});
  EXPECT_EQ(window->captureHolder(), nullptr);
}

TEST_F(WindowInput, HidingTheControlUnderTheMouseLeavesAtOnceThenEntersWhatIsBelow) {
  dui_test::cursorTo(hwnd, 30, 120);
  send(WM_MOUSEMOVE, 0, at(30, 120));
  window->setFocus(top);
  log.take();
  top->setFlag(flags::Visible, false);
  window->forgetControl(top);
  EXPECT_EQ(log.take(), (Lines{"top:LostFocus", "top:MouseLeave"}));
  EXPECT_EQ(window->focusControl(), nullptr);
  EXPECT_FALSE(top->hasFlag(flags::MouseOver));
  dui_test::pump();  // the posted mouse move at the cursor
  EXPECT_EQ(log.take(), Lines{"under:MouseEnter"});
  EXPECT_EQ(window->hoverTarget(), under);
}

TEST_F(WindowInput, DetachingACapturingAncestorReleasesCapture) {
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(30, 120));  // `top` is not CaptureOnPress: make it so
  top->setFlag(flags::CaptureOnPress, true);
  send(WM_LBUTTONUP, 0, at(30, 120));
  send(WM_LBUTTONDOWN, MK_LBUTTON, at(30, 120));
  ASSERT_EQ(window->captureHolder(), top);
  log.take();
  root->removeChild(panel);  // detaching forgets the panel and so its descendants
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_EQ(window->hoverTarget(), nullptr);
  EXPECT_NE(::GetCapture(), hwnd);
  delete panel;
}

TEST_F(WindowInput, HoverPathDeeperThanThirtyTwoLevels) {
  Panel* parent = panel;
  std::vector<Control*> chain;
  for (int i = 0; i < 40; ++i) {
    auto* next = new Canvas;
    place(parent, next, 0, 0, 200, 80);
    next->setRect(Rect{0, 0, 200, 80});  // added after the layout pass: placed by hand
    chain.push_back(next);
    parent = next;
  }
  send(WM_MOUSEMOVE, 0, at(150, 150));
  EXPECT_EQ(window->hoverTarget(), chain.back());
  EXPECT_EQ(window->hoverPath().size(), 42u);  // 40 + panel + root
  for (Control* c : chain) EXPECT_TRUE(c->hasFlag(flags::MouseOver));
  send(WM_MOUSELEAVE, 0, 0);
  for (Control* c : chain) EXPECT_FALSE(c->hasFlag(flags::MouseOver));
}

TEST_F(WindowInput, DeferredEventNeverReachesAControlDestroyedBeforeItRuns) {
  Event click = makeEvent(events::Click);
  ASSERT_TRUE(postEvent(other, click));
  ASSERT_TRUE(postEvent(button, click));
  root->removeChild(other);
  delete other;
  other = nullptr;
  EXPECT_TRUE(log.take().empty());  // nothing runs inside the poster
  dui_test::pump();
  EXPECT_EQ(log.take(), Lines{"button:Click"});
}

TEST_F(WindowInput, WheelAndCursorQueryUseTheRealCursor) {
  struct CursorSetter {
    void on(Control*, Event& e) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      e.handled = 1;
    }
  } setter;
  other->addHandler(events::QueryCursor, &setter, &CursorSetter::on);
  dui_test::cursorTo(hwnd, 110, 20);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(log.take(), Lines{"other:MouseWheel"});
  EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  dui_test::cursorTo(hwnd, 20, 20);
  other->setFlag(flags::Enabled, false);
  dui_test::cursorTo(hwnd, 110, 20);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_TRUE(log.take().empty());
}

}  // namespace
