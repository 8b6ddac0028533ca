// The combo box and its drop-down on real windows: where the drop-down opens,
// choosing in it, closing it without a choice, and the ways its local loop
// can end (a quit message, Alt+F4, the combo destroyed meanwhile).
#include <gtest/gtest.h>

#include <functional>

#include "dui/controls/button_family.h"
#include "dui/controls/list_controls.h"
#include "dui/core/control_registry.h"
#include "tests/dui/controls/list_controls_window.h"

using namespace dui;
using dui_test::EventCount;
using dui_test::place;

namespace {

TEST(ComboDropDownRect, OpensInTheComboMonitorsWorkAreaBelowAboveOrOnTheRoomierSide) {
  struct Case {
    const char* name;
    std::int32_t items;
    RECT combo, work;
    bool below;
    RECT area;
  };
  const RECT screen{0, 0, 1024, 768};
  const Case cases[] = {
      {"six rows below", 10, {20, 100, 170, 128}, screen, true, {20, 128, 170, 276}},   // 148 tall
      {"three rows below", 3, {20, 100, 170, 128}, screen, true, {20, 128, 170, 204}},  // 3 * 24 + 4
      {"no items", 0, {20, 100, 170, 128}, screen, true, {20, 128, 170, 132}},
      {"no room below: above", 10, {20, 600, 170, 628}, screen, false, {20, 452, 170, 600}},  // 144 + 8 >= 140
      {"two rows above", 2, {20, 700, 170, 728}, screen, false, {20, 648, 170, 700}},
      {"two rows just fit below", 2, {20, 700, 170, 728}, {0, 0, 1024, 790}, true, {20, 728, 170, 780}},
      {"above the taskbar", 10, {20, 820, 170, 848}, {0, 0, 1280, 984}, false, {20, 672, 170, 820}},
      {"second monitor left, higher up", 10, {-600, 700, -450, 728}, {-1280, -200, 0, 824}, false,
       {-600, 552, -450, 700}},
      {"second monitor above, taskbar at its foot", 10, {20, -200, 170, -172}, {0, -1024, 1280, -40}, false,
       {20, -348, 170, -200}},
      {"second monitor left, room below", 4, {-600, 100, -450, 128}, {-1280, -200, 0, 824}, true,
       {-600, 128, -450, 228}},
      {"too little room either way: the roomier side, cut", 10, {20, 90, 170, 118}, {0, 0, 1280, 200}, false,
       {20, 0, 170, 90}},
      {"past the right edge: pushed back", 10, {1200, 100, 1350, 128}, {0, 0, 1280, 1024}, true,
       {1130, 128, 1280, 276}},
      {"past the left edge: pushed back", 10, {-30, 100, 120, 128}, {0, 0, 1280, 1024}, true, {0, 128, 150, 276}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool below = !c.below;
    const RECT area = ComboBox::dropDownRect(c.combo, c.items, c.work, below);
    EXPECT_EQ(below, c.below);
    EXPECT_EQ(area.left, c.area.left);
    EXPECT_EQ(area.top, c.area.top);
    EXPECT_EQ(area.right, c.area.right);
    EXPECT_EQ(area.bottom, c.area.bottom);
  }
}

// A combo 150 x 28 at (10, 10) showing "item 1" of ten items.
class Combo : public dui_test::ListControlsWindow {
 protected:
  void SetUp() override {
    ListControlsWindow::SetUp();
    combo = static_cast<ComboBox*>(place(root, new ComboBox, 10, 10, 150, 28));
    for (int i = 0; i < 10; ++i) {
      auto* item = new Button;
      item->setString(names::text, L"item " + std::to_wstring(i));
      combo->addItem(item);
    }
    combo->setChoice(L"item 1");
    open();
    drop = combo->dropDown()->hwnd();
    changes.tap(combo, events::ValueChange);
  }
  // Where the drop-down will open, in this window's client coordinates.
  RECT dropArea() const {
    POINT origin{10, 10};
    ::ClientToScreen(hwnd, &origin);
    bool below = true;
    const RECT combo{origin.x, origin.y, origin.x + 150, origin.y + 28};
    RECT area = ComboBox::dropDownRect(combo, 10, ComboBox::workAreaAt(combo), below);
    POINT corner{area.left, area.top};
    ::ScreenToClient(hwnd, &corner);
    return RECT{corner.x, corner.y, corner.x + 150, corner.y + (area.bottom - area.top)};
  }

 public:
  void post(UINT message, WPARAM wParam, int x, int y) { ::PostMessageW(hwnd, message, wParam, MAKELPARAM(x, y)); }

 protected:
  // Presses the combo; its drop-down's loop runs the messages posted before.
  void pressCombo() {
    dui_test::cursorTo(hwnd, 50, 20);
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
  }

  ComboBox* combo = nullptr;
  HWND drop = nullptr;
  EventCount changes;
};

TEST_F(Combo, AClickInTheDropDownChoosesAndClosesIt) {
  const RECT area = dropArea();
  const int x = area.left + 40;
  const int y = area.top + 2 + 3 * 24 + 10;  // the fourth row: "item 3"
  post(WM_MOUSEMOVE, 0, x, y);
  post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  post(WM_LBUTTONUP, 0, x, y);
  pressCombo();
  EXPECT_FALSE(combo->dropped());
  EXPECT_FALSE(::IsWindowVisible(drop));
  EXPECT_EQ(combo->getText(), L"item 3");
  EXPECT_EQ(changes.count, 1);
  RECT placed{};
  ::GetWindowRect(drop, &placed);
  EXPECT_EQ(placed.bottom - placed.top, 148);
  dui_test::pump();  // the release went to the owner's queue
  EXPECT_EQ(window->captureHolder(), nullptr);
}

// The real drop-down, with its window moved near the top or the foot of the
// work area: under the combo when the list fits there, else above it.
TEST_F(Combo, TheDropDownOpensAboveTheComboWhenThereIsNoRoomBelow) {
  RECT here{};
  ::GetWindowRect(hwnd, &here);
  const RECT work = ComboBox::workAreaAt(here);
  struct Case {
    const char* name;
    int windowTop;
    bool below;
  };
  for (const Case& c : {Case{"room below", work.top + 20, true}, Case{"no room below", work.bottom - 60, false}}) {
    SCOPED_TRACE(c.name);
    ::SetWindowPos(hwnd, nullptr, work.left + 40, c.windowTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    POINT comboTop{10, 10};
    ::ClientToScreen(hwnd, &comboTop);
    post(WM_KEYDOWN, VK_ESCAPE, 1, 0);
    pressCombo();
    RECT placed{};
    ::GetWindowRect(drop, &placed);
    EXPECT_EQ(placed.bottom - placed.top, 148);
    EXPECT_EQ(placed.left, comboTop.x);
    if (c.below) {
      EXPECT_EQ(placed.top, comboTop.y + 28);
    } else {
      EXPECT_EQ(placed.bottom, comboTop.y);
    }
    dui_test::pump();
  }
}

TEST_F(Combo, OpensWithTheShownItemSelectedAndInView) {
  combo->setChoice(L"item 8");
  post(WM_KEYDOWN, VK_ESCAPE, 1, 0);
  pressCombo();
  ListBox* list = combo->list();
  EXPECT_EQ(list->selectedText(), L"item 8");
  ASSERT_NE(list->verticalBar(), nullptr);
  // Rows 24 in a 144-pixel view: item 8 (192 .. 216) shows at the bottom.
  EXPECT_EQ(list->verticalBar()->position(), 216 - 144);

  combo->setChoice(L"not an item");
  post(WM_KEYDOWN, VK_ESCAPE, 1, 0);
  pressCombo();
  EXPECT_EQ(list->selectedItem(), nullptr);
  EXPECT_EQ(changes.count, 0);
}

TEST_F(Combo, ChoosingTheShownTextAgainRaisesNothing) {
  const RECT area = dropArea();
  const int y = area.top + 2 + 24 + 10;  // "item 1", already shown
  post(WM_LBUTTONDOWN, MK_LBUTTON, area.left + 40, y);
  pressCombo();
  EXPECT_FALSE(combo->dropped());
  EXPECT_EQ(combo->getText(), L"item 1");
  EXPECT_EQ(changes.count, 0);
}

TEST_F(Combo, KeysMoveTheSelectionAndReturnChooses) {
  post(WM_KEYDOWN, VK_DOWN, 1, 0);
  post(WM_KEYDOWN, VK_DOWN, 1, 0);
  post(WM_KEYDOWN, VK_RETURN, 1, 0);
  pressCombo();
  EXPECT_FALSE(combo->dropped());
  EXPECT_EQ(combo->getText(), L"item 3");
  EXPECT_EQ(changes.count, 1);
}

TEST_F(Combo, APressOutsideOrEscapeClosesWithoutChoosing) {
  struct Case {
    const char* name;
    std::function<void(Combo&)> closeIt;
  };
  const Case cases[] = {
      {"press outside", [](Combo& t) { t.post(WM_LBUTTONDOWN, MK_LBUTTON, 380, 290); }},
      {"press on the combo itself", [](Combo& t) { t.post(WM_LBUTTONDOWN, MK_LBUTTON, 50, 20); }},
      {"escape", [](Combo& t) { t.post(WM_KEYDOWN, VK_ESCAPE, 1, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    post(WM_KEYDOWN, VK_DOWN, 1, 0);  // moves the selection: still no choice
    c.closeIt(*this);
    pressCombo();
    EXPECT_FALSE(combo->dropped());
    EXPECT_EQ(combo->getText(), L"item 1");
    EXPECT_EQ(changes.count, 0);
    dui_test::pump();
  }
}

TEST_F(Combo, AQuitMessageEndsTheLoopAndIsPostedAgain) {
  ::PostQuitMessage(7);
  pressCombo();
  EXPECT_FALSE(combo->dropped());
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_TRUE(::IsWindow(drop));  // ready to open again
}

// A guard that ends a loop which should have ended by itself.
HWND guarded = nullptr;
bool guardFired = false;
void CALLBACK fireGuard(HWND, UINT, UINT_PTR, DWORD) {
  guardFired = true;
  ::PostMessageW(guarded, WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST_F(Combo, AltF4ClosesTheDropDownOnly) {
  guarded = drop;
  guardFired = false;
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 3000, fireGuard);
  ::PostMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, 0x20000001);
  pressCombo();
  ::KillTimer(nullptr, guard);
  EXPECT_FALSE(guardFired);
  EXPECT_FALSE(combo->dropped());
  dui_test::pump();
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_TRUE(::IsWindow(drop));
  EXPECT_EQ(combo->dropDown()->hwnd(), drop);
}

TEST_F(Combo, DestroyingTheComboWhileItsDropDownIsOpenTouchesNothingFreed) {
  // The choice's ValueChange handler destroys the combo inside the loop.
  struct Destroyer {
    Canvas* root;
    void on(Control* sender, Event&) {
      root->removeChild(sender);
      delete sender;
    }
  } destroyer{root};
  combo->addHandler(events::ValueChange, &destroyer, &Destroyer::on);
  const std::uint32_t serial = combo->serial();
  const RECT area = dropArea();
  post(WM_LBUTTONDOWN, MK_LBUTTON, area.left + 40, area.top + 2 + 5 * 24 + 10);
  pressCombo();
  EXPECT_FALSE(controlExists(combo, serial));
  dui_test::pump();  // the close posted to the drop-down
  EXPECT_FALSE(::IsWindow(drop));
}

// Destroys the test's window from a timer that fires inside the drop-down's loop.
HWND victim = nullptr;
void CALLBACK destroyVictim(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::DestroyWindow(victim);
}

TEST_F(Combo, TheWindowDestroyedWhileTheDropDownIsOpenEndsTheLoop) {
  victim = hwnd;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, destroyVictim);
  guarded = drop;
  guardFired = false;
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 3000, fireGuard);
  pressCombo();   // the combo, its window and its drop-down are gone when this returns
  ::KillTimer(nullptr, timer);
  ::KillTimer(nullptr, guard);
  EXPECT_FALSE(guardFired);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindow(drop));
}

TEST_F(Combo, DestroyingAClosedComboDestroysItsDropDownAtOnce) {
  root->removeChild(combo);
  delete combo;
  EXPECT_FALSE(::IsWindow(drop));
}

TEST_F(Combo, ClosingTheOwnerWindowTakesTheDropDownAlong) {
  post(WM_KEYDOWN, VK_ESCAPE, 1, 0);
  pressCombo();  // opened once: the drop-down is now owned by the window
  ::DestroyWindow(hwnd);
  EXPECT_FALSE(::IsWindow(drop));
}

}  // namespace
