// Framework start-up and shutdown, and the dispatcher window's deferred calls.
#include "dui/core/framework.h"

#include <gtest/gtest.h>

#include <vector>

#include "dui/core/app_handlers.h"
#include "dui/core/deferred_call.h"

namespace dui {
namespace {

int g_ran = 0;

void appendValue(void* target, void* first, void*) {
  static_cast<std::vector<int>*>(target)->push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(first)));
  ++g_ran;
}

DeferredCall* Record(int value, std::vector<int>* log) {
  auto* call = new DeferredCall;
  call->target = log;
  call->function = &appendValue;
  call->first = reinterpret_cast<void*>(static_cast<std::intptr_t>(value));
  return call;
}

void pumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ran = 0;
    ASSERT_TRUE(startFramework());
  }
  void TearDown() override { shutdownFramework(); }
  std::vector<int> log;
};

TEST_F(FrameworkTest, DispatcherIsAHiddenToolWindowOfItsOwnClass) {
  HWND dispatcher = dispatcherWindow();
  ASSERT_NE(dispatcher, nullptr);
  wchar_t name[64] = {};
  ::GetClassNameW(dispatcher, name, 64);
  EXPECT_STREQ(name, L"Dispatcher_Vantu124");
  EXPECT_FALSE(::IsWindowVisible(dispatcher));
  EXPECT_TRUE(::GetWindowLongW(dispatcher, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST_F(FrameworkTest, DeferredCallsRunInPostingOrderBetweenMessages) {
  for (int i = 1; i <= 3; ++i) ASSERT_TRUE(postToDispatcher(Record(i, &log)));
  EXPECT_TRUE(log.empty());  // nothing runs inside the poster
  pumpPending();
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(g_ran, 3);
}

TEST_F(FrameworkTest, ShutdownRunsQueuedCallsThenRefusesNewOnes) {
  HWND dispatcher = dispatcherWindow();
  ASSERT_TRUE(postToDispatcher(Record(7, &log)));
  ASSERT_TRUE(postToDispatcher(Record(8, &log)));
  shutdownFramework();
  EXPECT_EQ(log, (std::vector<int>{7, 8}));
  EXPECT_EQ(g_ran, 2);
  EXPECT_FALSE(::IsWindow(dispatcher));
  EXPECT_FALSE(frameworkStarted());
  DeferredCall late;
  EXPECT_FALSE(postToDispatcher(&late));  // refused: stays the caller's
  shutdownFramework();                    // a second shutdown is harmless
}

TEST_F(FrameworkTest, ShutdownLeavesAQuitMessageForTheCallersLoop) {
  ASSERT_TRUE(postToDispatcher(Record(1, &log)));
  ::PostQuitMessage(3);
  shutdownFramework();
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(FrameworkTest, ApplicationHandlersLiveWithTheContext) {
  ApplicationHandlers* handlers = applicationHandlers();
  ASSERT_NE(handlers, nullptr);
  struct Answer {
    void on(Control* sender, Event& e) {
      EXPECT_EQ(sender, nullptr);
      e.lparam = 77;
    }
  } answer;
  ASSERT_TRUE(handlers->add(Delegate::bind(&answer, &Answer::on)));
  Event e = makeEvent(events::AppNotify, 1, 0);
  handlers->raise(e);
  EXPECT_EQ(e.lparam, 77);
  shutdownFramework();
  EXPECT_EQ(applicationHandlers(), nullptr);
}

TEST(FrameworkRestart, StartsAgainAfterShutdown) {
  ASSERT_TRUE(startFramework());
  HWND first = dispatcherWindow();
  shutdownFramework();
  ASSERT_TRUE(startFramework());
  EXPECT_NE(dispatcherWindow(), nullptr);
  EXPECT_NE(dispatcherWindow(), first);
  shutdownFramework();
}

}  // namespace
}  // namespace dui
