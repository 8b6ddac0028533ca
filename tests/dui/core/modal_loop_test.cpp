// Window binding, the window map and the modal loop (end codes, frame close
// and Alt+F4 ignored, the quit message passed on).
#include "dui/core/window_base.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace dui {
namespace {

constexpr UINT kMsgScript = WM_APP + 1;  // runs the test's action inside the loop

int g_destroyed = 0;

class TestWindow : public WindowBase {
 public:
  ~TestWindow() override { ++g_destroyed; }
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NCCREATE) boundAtNcCreate = (hwnd() != nullptr);
    if (message == WM_CREATE && failCreate) return -1;
    if (message == kMsgScript) {
      auto it = actions.find(static_cast<int>(wParam));
      if (it != actions.end()) it->second();
      return 0;
    }
    return WindowBase::handleMessage(message, wParam, lParam);
  }
  bool boundAtNcCreate = false;
  bool failCreate = false;
  std::map<int, std::function<void()>> actions;
};

class ModalLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_destroyed = 0;
    window = new TestWindow;
    ASSERT_TRUE(window->create(0, WS_POPUP | WS_CAPTION | WS_SYSMENU, 10, 10, 200, 150, nullptr));
    hwnd = window->hwnd();
  }
  void TearDown() override {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
  }
  void at(int step, std::function<void()> action) {
    window->actions[step] = std::move(action);
    ::PostMessageW(hwnd, kMsgScript, step, 0);
  }
  TestWindow* window = nullptr;
  HWND hwnd = nullptr;
};

TEST(WindowBinding, ObjectKnowsItsHandleBeforeNcCreateAndLeavesTheMapOnDestroy) {
  g_destroyed = 0;
  auto* window = new TestWindow;
  ASSERT_TRUE(window->create(0, WS_POPUP, 0, 0, 10, 10, nullptr));
  EXPECT_TRUE(window->boundAtNcCreate);
  EXPECT_FALSE(bindingHookInstalled());
  HWND hwnd = window->hwnd();
  EXPECT_EQ(WindowBase::fromHandle(hwnd), window);
  ::DestroyWindow(hwnd);
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(WindowBase::fromHandle(hwnd), nullptr);
  EXPECT_EQ(liveWindowCount(), 0u);
}

TEST(WindowBinding, FailedCreationRemovesTheHookAndTheObject) {
  g_destroyed = 0;
  auto* window = new TestWindow;
  window->failCreate = true;
  EXPECT_FALSE(window->create(0, WS_POPUP, 0, 0, 10, 10, nullptr));
  EXPECT_FALSE(bindingHookInstalled());
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(liveWindowCount(), 0u);
  // A later creation still binds.
  auto* next = new TestWindow;
  ASSERT_TRUE(next->create(0, WS_POPUP, 0, 0, 10, 10, nullptr));
  EXPECT_TRUE(next->boundAtNcCreate);
  ::DestroyWindow(next->hwnd());
}

TEST_F(ModalLoopTest, EndModalCodeEndsTheRunAndZeroDoesNot) {
  at(1, [this] { window->endModal(0); ::PostMessageW(hwnd, kMsgScript, 2, 0); });
  window->actions[2] = [this] {
    EXPECT_TRUE(::IsWindowVisible(hwnd));  // still running after endModal(0)
    window->endModal(-7);
  };
  EXPECT_EQ(window->runModal(nullptr), -7);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(ModalLoopTest, OwnerIsDisabledDuringTheRunThenReenabledAndActivated) {
  auto* owner = new TestWindow;
  ASSERT_TRUE(owner->create(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr));
  HWND ownerHwnd = owner->hwnd();
  ::ShowWindow(ownerHwnd, SW_SHOW);
  bool disabledDuringRun = false;
  at(1, [&] {
    disabledDuringRun = !::IsWindowEnabled(ownerHwnd);
    window->endModal(3);
  });
  EXPECT_EQ(window->runModal(ownerHwnd), 3);
  EXPECT_TRUE(disabledDuringRun);
  EXPECT_TRUE(::IsWindowEnabled(ownerHwnd));
  EXPECT_EQ(::GetActiveWindow(), ownerHwnd);
  ::DestroyWindow(ownerHwnd);
}

TEST_F(ModalLoopTest, FrameCloseAndAltF4AreIgnoredDuringTheRun) {
  at(1, [this] {
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box sends this
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    // Alt+F4 as the keyboard delivers it: the default handling posts SC_CLOSE.
    ::PostMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, 0x20000000 | (1 << 0) | (0x3E << 16));
    ::PostMessageW(hwnd, kMsgScript, 2, 0);
  });
  bool aliveAfterClose = false;
  window->actions[2] = [&] {
    aliveAfterClose = ::IsWindow(hwnd) && ::IsWindowVisible(hwnd);
    ::PostMessageW(hwnd, kMsgScript, 3, 0);  // after whatever Alt+F4 posted
  };
  window->actions[3] = [&] {
    aliveAfterClose = aliveAfterClose && ::IsWindow(hwnd);
    window->endModal(1);
  };
  EXPECT_EQ(window->runModal(nullptr), 1);
  EXPECT_TRUE(aliveAfterClose);
}

TEST_F(ModalLoopTest, QuitMessageEndsNestedRunsAndIsPassedOn) {
  auto* inner = new TestWindow;
  ASSERT_TRUE(inner->create(0, WS_POPUP, 0, 0, 50, 50, nullptr));
  HWND innerHwnd = inner->hwnd();
  int innerResult = -1;
  inner->actions[1] = [] { ::PostQuitMessage(5); };
  at(1, [&] {
    ::PostMessageW(innerHwnd, kMsgScript, 1, 0);
    innerResult = inner->runModal(hwnd);
  });
  EXPECT_EQ(window->runModal(nullptr), 0);
  EXPECT_EQ(innerResult, 0);
  EXPECT_FALSE(::IsWindow(innerHwnd));
  EXPECT_FALSE(::IsWindow(hwnd));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(ModalLoopTest, WindowDestroyedDuringTheRunEndsIt) {
  at(1, [this] {
    window->endModal(0);
    ::DestroyWindow(hwnd);
  });
  EXPECT_EQ(window->runModal(nullptr), 0);
  EXPECT_EQ(g_destroyed, 1);
}

}  // namespace
}  // namespace dui
