// Real input through the system (SendInput): the mouse capture keeps the
// release for the pressed control outside the window, and Alt+F4 from the
// keyboard does not close a modal window.
#include <gtest/gtest.h>

#include "dui/core/framework.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using dui_test::place;
using dui_test::pumpFor;
using Lines = std::vector<std::string>;

namespace {

void mouseTo(int x, int y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = (x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = (y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &in, sizeof in);
}

void mouseButton(DWORD flag) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  ::SendInput(1, &in, sizeof in);
}

void key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof in);
}

class RealInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startFramework());
    root = new Canvas;
    root->setInt(names::width, 300);
    root->setInt(names::height, 200);
    button = place(root, new Control, 10, 10, 50, 30, flags::ButtonLike);
    window = new WindowImpl;
    window->setRoot(root);
    ASSERT_TRUE(window->create(0, WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 0, 0, nullptr));
    hwnd = window->hwnd();
    log.tap(root, "root");
    log.tap(button, "button");
  }
  void TearDown() override {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    shutdownFramework();
    dui_test::pump();
  }
  WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
  Canvas* root = nullptr;
  Control* button = nullptr;
  dui_test::EventLog log;
};

TEST_F(RealInput, CaptureDeliversTheReleaseOutsideTheWindowToThePressedControl) {
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd);
  pumpFor(100);
  POINT p{30, 25};
  ::ClientToScreen(hwnd, &p);
  mouseTo(p.x, p.y);
  pumpFor(100);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pumpFor(100);
  mouseTo(900, 800);  // far outside the window
  pumpFor(100);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pumpFor(150);
  const Lines lines = log.take();
  const Lines expected{"button:PrevLButtonDown", "button:GotCapture", "button:LButtonDown", "root:MouseLeave",
                       "button:MouseLeave", "button:LButtonUp", "button:LostCapture"};
  // Only the press and release sequence matters; enter events come first.
  Lines pressAndAfter;
  bool pressed = false;
  for (const std::string& l : lines) {
    if (l == "button:PrevLButtonDown") pressed = true;
    if (pressed) pressAndAfter.push_back(l);
  }
  EXPECT_EQ(pressAndAfter, expected);
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_NE(::GetCapture(), hwnd);
}

TEST_F(RealInput, AltF4FromTheKeyboardDoesNotCloseAModalWindow) {
  struct Script : Timer {
    Script(WindowImpl* w, HWND h) : Timer(100), window(w), hwnd(h) {}
    void tick() override {
      switch (++ticks) {
        case 1:
          return;  // the immediate tick
        case 2:
          ::SetForegroundWindow(hwnd);
          return;
        case 3:
          foreground = ::GetForegroundWindow() == hwnd;
          key(VK_MENU, false);
          key(VK_F4, false);
          key(VK_F4, true);
          key(VK_MENU, true);
          return;
        case 4:
        case 5:
          return;  // let the keys arrive and be handled
        default:
          aliveAfterAltF4 = ::IsWindow(hwnd) != FALSE;
          stop();
          window->endModal(9);
      }
    }
    WindowImpl* window;
    HWND hwnd;
    int ticks = 0;
    bool foreground = false;
    bool aliveAfterAltF4 = false;
  } script(window, hwnd);
  script.start();
  EXPECT_EQ(window->runModal(nullptr), 9);
  EXPECT_TRUE(script.foreground);
  EXPECT_TRUE(script.aliveAfterAltF4);
}

}  // namespace
