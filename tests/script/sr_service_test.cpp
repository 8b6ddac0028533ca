// SRService: items posted from other threads run on the UI thread inside any
// message loop, stop releases queued items and waits for handed-over threads.
#include "script/sr_service.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dui/core/message_wait.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

class RecordingItem final : public SRService::IRunable {
 public:
  explicit RecordingItem(std::function<void()> onRun = {}) : onRun_(std::move(onRun)) {}
  void run() override {
    runThread = ::GetCurrentThreadId();
    ++runs;
    if (onRun_) onRun_();
  }
  void cancel() override { ++cancels; }
  std::atomic<DWORD> runThread{0};
  std::atomic<int> runs{0};
  std::atomic<int> cancels{0};

 private:
  std::function<void()> onRun_;
};

// Retrieves and dispatches messages until `done` or about 10 s have passed.
bool pumpUntil(const std::function<bool()>& done) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > 10000) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

void drainMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

// Runs a framework loop (dui::getMessageOrWork, as the modal loop does) on
// this thread until `done`. A lost wake-up would leave it asleep: a watchdog
// wakes it after `limitMs` if it has not ended by then, and the answer is
// then false.
bool frameworkLoopUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD uiThread = ::GetCurrentThreadId();
  std::atomic<bool> ended{false};
  std::atomic<bool> fired{false};
  std::thread watchdog([&] {
    const DWORD start = ::GetTickCount();
    while (!ended && ::GetTickCount() - start < limitMs) ::Sleep(10);
    if (!ended) {
      fired = true;
      ::PostThreadMessageW(uiThread, WM_APP, 0, 0);
    }
  });
  MSG msg;
  while (!done() && !fired && dui::getMessageOrWork(&msg) > 0) ::DispatchMessageW(&msg);
  ended = true;
  watchdog.join();
  return !fired;
}

class SRServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SRService::instance().start());
    drainMessages();   // the service's own wake-up message
  }
  void TearDown() override { SRService::instance().stop(); }
};

TEST_F(SRServiceTest, ItemsFromAnotherThreadRunOnTheUiThreadInOrder) {
  std::vector<int> order;
  std::vector<std::shared_ptr<RecordingItem>> items;
  for (int i = 0; i < 3; ++i) items.push_back(std::make_shared<RecordingItem>([&order, i] { order.push_back(i); }));
  std::thread poster([&] {
    for (auto& item : items) EXPECT_TRUE(SRService::instance().post(item));
  });
  poster.join();
  ASSERT_TRUE(pumpUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  for (auto& item : items) {
    EXPECT_EQ(item->runThread.load(), ::GetCurrentThreadId());
    EXPECT_EQ(item->runs.load(), 1);
    EXPECT_EQ(item->cancels.load(), 0);
  }
}

TEST_F(SRServiceTest, StopCancelsQueuedItemsAndLaterPostsAreRefused) {
  auto queued = std::make_shared<RecordingItem>();
  ASSERT_TRUE(SRService::instance().post(queued));
  SRService::instance().stop();   // nothing was pumped: the item is still queued
  EXPECT_EQ(queued->runs.load(), 0);
  EXPECT_EQ(queued->cancels.load(), 1);

  auto late = std::make_shared<RecordingItem>();
  EXPECT_FALSE(SRService::instance().post(late));
  drainMessages();
  EXPECT_EQ(late->runs.load(), 0);
  EXPECT_EQ(late->cancels.load(), 0);   // refused items are the caller's to handle

  UniqueHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
  EXPECT_FALSE(SRService::instance().closeWhenSignalled(event.get()));   // kept by the caller
}

TEST_F(SRServiceTest, StopWaitsForThreadsHandedToTheReaper) {
  std::atomic<bool> finished{false};
  LPTHREAD_START_ROUTINE body = [](void* flag) -> DWORD WINAPI {
    ::Sleep(300);
    static_cast<std::atomic<bool>*>(flag)->store(true);
    return 0;
  };
  for (int i = 0; i < 2; ++i) {
    HANDLE thread = ::CreateThread(nullptr, 0, body, &finished, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(SRService::instance().closeWhenSignalled(thread));
  }
  SRService::instance().stop();
  EXPECT_TRUE(finished.load());
}

// More handles than one wait can cover: each is waited for and closed.
TEST_F(SRServiceTest, TheReaperClosesEveryHandleItIsGiven) {
  std::vector<HANDLE> given;
  for (int i = 0; i < MAXIMUM_WAIT_OBJECTS + 6; ++i) {
    HANDLE event = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(event, nullptr);
    ASSERT_TRUE(SRService::instance().closeWhenSignalled(event));
    given.push_back(event);
  }
  SRService::instance().stop();
  for (HANDLE h : given) {
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(h, &flags)) << "handle " << h << " is still open";
  }
}

TEST_F(SRServiceTest, ItemsRunInsideAMessageBoxLoop) {
  std::atomic<bool> boxSeenByItem{false};
  HWND box = nullptr;
  auto item = std::make_shared<RecordingItem>([&] {
    boxSeenByItem = test::countDialogs(::GetCurrentProcessId(), L"SRService test box") == 1;
  });
  std::thread helper([&] {
    box = test::waitForDialog(::GetCurrentProcessId(), L"SRService test box", 10000);
    if (box) SRService::instance().post(item);
    // Close the box once the item ran (or give up after 10 s).
    const DWORD start = ::GetTickCount();
    while (item->runs.load() == 0 && ::GetTickCount() - start < 10000) ::Sleep(20);
    if (box) test::dismissMessageBox(box);
  });
  ::MessageBoxW(nullptr, L"waiting for a work item", L"SRService test box", MB_OK);
  helper.join();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(item->runs.load(), 1);
  EXPECT_TRUE(boxSeenByItem.load());
  EXPECT_EQ(item->runThread.load(), ::GetCurrentThreadId());
}

TEST_F(SRServiceTest, OnlyRemovedThreadWmNullMessagesServeItems) {
  auto item = std::make_shared<RecordingItem>();
  ASSERT_TRUE(SRService::instance().post(item));
  MSG msg;
  // Looking without removing does not run it.
  ASSERT_TRUE(::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_NOREMOVE));
  EXPECT_EQ(item->runs.load(), 0);
  // Another thread message does not run it either.
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);
  ::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_APP, WM_APP, PM_REMOVE);
  EXPECT_EQ(item->runs.load(), 0);
  ::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_REMOVE);
  EXPECT_EQ(item->runs.load(), 1);
}

// The framework loops' wait: items posted while the UI thread sleeps there or
// is busy (the poster's pauses vary, so both wake-ups and the races between
// them are taken) each run once, in order, on the UI thread; a lost wake-up
// would leave the loop asleep until the watchdog's message after 20 s.
TEST_F(SRServiceTest, ItemsPostedToAFrameworkLoopRunInOrderWithoutLoss) {
  constexpr int kItems = 3000;
  std::vector<int> order;
  order.reserve(kItems);
  std::vector<std::shared_ptr<RecordingItem>> items;
  for (int i = 0; i < kItems; ++i) items.push_back(std::make_shared<RecordingItem>([&order, i] { order.push_back(i); }));
  const DWORD uiThread = ::GetCurrentThreadId();
  std::thread poster([&] {
    for (int i = 0; i < kItems; ++i) {
      EXPECT_TRUE(SRService::instance().post(items[i]));
      if (i % 7 == 0) ::Sleep(0);
      if (i % 97 == 0) ::Sleep(1);   // long enough for the loop to fall asleep
      for (volatile int spin = 0; spin < (i % 5) * 200; spin = spin + 1) {
      }
    }
  });
  const bool inTime = frameworkLoopUntil([&] { return order.size() == size_t(kItems); }, 20000);
  poster.join();
  ASSERT_TRUE(inTime) << order.size() << " of " << kItems << " items ran";
  for (int i = 0; i < kItems; ++i) {
    ASSERT_EQ(order[size_t(i)], i);
    ASSERT_EQ(items[size_t(i)]->runs.load(), 1);
    ASSERT_EQ(items[size_t(i)]->runThread.load(), uiThread);
  }
}

// An item the loop's wait runs may end the loop (a report that closes the
// window): the wait returns after running it, so the loop checks its
// condition again instead of sleeping until some other message comes.
TEST_F(SRServiceTest, AFrameworkLoopSeesWhatAnItemRunFromItsWaitChanged) {
  bool ended = false;
  auto closing = std::make_shared<RecordingItem>([&] { ended = true; });
  std::thread poster([&] {
    ::Sleep(100);   // the loop is asleep by now
    SRService::instance().post(closing);
  });
  const bool inTime = frameworkLoopUntil([&] { return ended; }, 5000);
  poster.join();
  EXPECT_TRUE(ended);
  EXPECT_TRUE(inTime) << "the loop slept on after the item ended it";
}

// Paced items wake the sleeping loop themselves (a frame later, all of a
// burst at once) and keep their place before an ordinary item posted after
// them; one still waiting for its frame when the service stops is cancelled.
TEST_F(SRServiceTest, PacedItemsRunAFrameLaterInOrderWithOrdinaryOnes) {
  std::vector<int> order;
  std::vector<DWORD> ranAt;
  std::atomic<int> ran{0};
  std::vector<std::shared_ptr<RecordingItem>> items;
  for (int i = 0; i < 6; ++i)
    items.push_back(std::make_shared<RecordingItem>([&order, &ranAt, &ran, i] {
      order.push_back(i);
      ranAt.push_back(::GetTickCount());
      ++ran;
    }));
  std::thread poster([&] {
    ::Sleep(50);   // the loop is asleep by now
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SRService::instance().postPaced(items[size_t(i)]));
    ::Sleep(300);   // nothing else comes: the frame's timer must wake the loop
    EXPECT_EQ(ran.load(), 3) << "the burst waited for a later item";
    EXPECT_TRUE(SRService::instance().postPaced(items[3]));
    EXPECT_TRUE(SRService::instance().postPaced(items[4]));
    EXPECT_TRUE(SRService::instance().post(items[5]));   // wakes the loop now, after 3 and 4
  });
  const bool inTime = frameworkLoopUntil([&] { return order.size() == 6; }, 5000);
  poster.join();
  ASSERT_TRUE(inTime) << order.size() << " of 6 items ran";
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_LT(ranAt[2] - ranAt[0], 100u) << "a burst runs together";

  auto late = std::make_shared<RecordingItem>();
  ASSERT_TRUE(SRService::instance().postPaced(late));
  SRService::instance().stop();
  EXPECT_EQ(late->runs.load(), 0);
  EXPECT_EQ(late->cancels.load(), 1);
  EXPECT_FALSE(SRService::instance().postPaced(std::make_shared<RecordingItem>()));
}

// A quit posted while the loop sleeps ends the wait as it ends GetMessageW.
TEST_F(SRServiceTest, AQuitEndsAFrameworkLoopsWait) {
  const DWORD uiThread = ::GetCurrentThreadId();
  std::thread quitter([&] {
    ::Sleep(100);
    ::PostThreadMessageW(uiThread, WM_QUIT, 7, 0);
  });
  MSG msg;
  BOOL got;
  while ((got = dui::getMessageOrWork(&msg)) > 0) ::DispatchMessageW(&msg);
  quitter.join();
  EXPECT_EQ(got, 0);
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(SRServiceLifecycle, StartsAgainAfterStopAndRefusesADoubleStart) {
  SRService& service = SRService::instance();
  EXPECT_FALSE(service.isRunning());
  service.stop();   // stopping a service that never started does nothing
  ASSERT_TRUE(service.start());
  EXPECT_FALSE(service.start());
  EXPECT_TRUE(service.isRunning());
  service.stop();
  EXPECT_FALSE(service.isRunning());
  ASSERT_TRUE(service.start());
  service.stop();
  drainMessages();
}

}  // namespace
}  // namespace kavri
