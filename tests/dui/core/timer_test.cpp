// Timers: one system timer per running Timer, an immediate first tick.
#include "dui/core/timer.h"

#include <gtest/gtest.h>

#include <set>

namespace dui {
namespace {

struct CountingTimer : Timer {
  explicit CountingTimer(UINT ms) : Timer(ms) {}
  void tick() override { ++ticks; }
  int ticks = 0;
};

// Collects the identifiers of the thread timers that fire during `ms`.
std::set<UINT_PTR> firingTimers(DWORD ms) {
  std::set<UINT_PTR> ids;
  const DWORD end = ::GetTickCount() + ms;
  MSG msg;
  while (static_cast<int>(end - ::GetTickCount()) > 0) {
    while (::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      ids.insert(msg.wParam);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  }
  return ids;
}

TEST(Timer, StartTicksAtOnceAndStopRestartLeavesOneSystemTimer) {
  CountingTimer timer(10);
  timer.start();
  EXPECT_EQ(timer.ticks, 1);
  timer.start();  // running: nothing
  EXPECT_EQ(timer.ticks, 1);
  const UINT_PTR first = timer.systemId();
  timer.stop();
  timer.stop();
  timer.start();
  EXPECT_EQ(timer.ticks, 2);
  EXPECT_EQ(runningTimerCount(), 1u);
  const std::set<UINT_PTR> ids = firingTimers(150);
  EXPECT_EQ(ids, (std::set<UINT_PTR>{timer.systemId()}));
  if (first != timer.systemId()) {
    EXPECT_FALSE(::KillTimer(nullptr, first));  // the old one is gone
  }
  EXPECT_GT(timer.ticks, 2);
  timer.stop();
  EXPECT_EQ(runningTimerCount(), 0u);
}

TEST(Timer, DestroyedTimerNeverTicksAgain) {
  auto* timer = new CountingTimer(5);
  timer->start();
  delete timer;
  EXPECT_EQ(runningTimerCount(), 0u);
  EXPECT_TRUE(firingTimers(40).empty());
}

}  // namespace
}  // namespace dui
