// UI-thread service: the run queue served from a WH_GETMESSAGE hook, and the
// reaper thread that closes finished threads' handles.
#include "sr_service.h"

#include <algorithm>

#include "support/debug_log.h"

namespace kavri {
namespace {

constexpr DWORD kReaperPollMs = 10000;   // how often the reaper looks for new handles

}  // namespace

SRService& SRService::instance() {
  static SRService service;
  return service;
}

bool SRService::isRunning() {
  CriticalSectionLock guard(serviceLock_);
  return running_;
}

bool SRService::start() {
  CriticalSectionLock guard(serviceLock_);
  if (stopEvent_) return false;   // already started
  UniqueHandle stopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  KAVRI_RETURN_IF_WIN32_FALSE(stopEvent, false);
  UniqueHandle wakeEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  KAVRI_RETURN_IF_WIN32_FALSE(wakeEvent, false);
  UniquePoolTimer paceTimer(::CreateThreadpoolTimer(paceTimerFired, nullptr, nullptr));
  KAVRI_RETURN_IF_WIN32_FALSE(paceTimer, false);

  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);   // makes sure the thread has a message queue
  ::PostMessageW(nullptr, WM_NULL, 0, 0);
  const DWORD threadId = ::GetCurrentThreadId();
  UniqueHhook hook(::SetWindowsHookExW(WH_GETMESSAGE, getMessageHook, nullptr, threadId));
  // Without the hook no item would ever run and every notifier would wait
  // until stop; refuse to run instead, so posts are answered at once.
  KAVRI_RETURN_IF_WIN32_FALSE(hook, false);

  stopEvent_ = std::move(stopEvent);
  wakeEvent_ = std::move(wakeEvent);
  paceTimer_ = std::move(paceTimer);
  paceArmed_ = false;
  hook_ = std::move(hook);
  uiThreadId_ = threadId;
  uiState_.store(kBusy);
  running_ = true;
  dui::setLoopWaker(this);
  return true;
}

bool SRService::post(std::shared_ptr<IRunable> item) { return enqueue(std::move(item), false); }

bool SRService::postPaced(std::shared_ptr<IRunable> item) { return enqueue(std::move(item), true); }

bool SRService::enqueue(std::shared_ptr<IRunable> item, bool paced) {
  if (!item) return false;
  CriticalSectionLock guard(serviceLock_);
  if (!running_) return false;
  CriticalSectionLock queueGuard(runQueueLock_);
  runQueue_.push_back(std::move(item));
  if (paced) {
    if (!paceArmed_) {
      // Relative due times are negative, in 100 ns units.
      const LONGLONG due = -LONGLONG(kPaceMs) * 10000;
      FILETIME dueTime{DWORD(ULONGLONG(due) & 0xFFFFFFFFu), DWORD(ULONGLONG(due) >> 32)};
      ::SetThreadpoolTimer(paceTimer_.get(), &dueTime, 0, 0);
      paceArmed_ = true;
    }
    return true;
  }
  if (!wakeUiThread()) {
    // No wake-up means the item might never run: take it back.
    runQueue_.pop_back();
    return false;
  }
  return true;
}

void CALLBACK SRService::paceTimerFired(PTP_CALLBACK_INSTANCE, void*, PTP_TIMER) noexcept {
  SRService& service = instance();
  CriticalSectionLock queueGuard(service.runQueueLock_);
  service.paceArmed_ = false;
  // Empty when a notification's wake-up ran them already, or after stop.
  if (!service.runQueue_.empty()) service.wakeUiThread();
}

bool SRService::wakeUiThread() noexcept {
  // Sleeping in a framework loop: the event wakes it, and the loop runs the
  // queue. Any other state: the thread may be in a loop of the system's, so
  // the thread message, which the hook sees in every loop.
  int sleeping = kSleeping;
  if (uiState_.compare_exchange_strong(sleeping, kWoken)) {
    if (::SetEvent(wakeEvent_.get())) return true;
    logWin32Failure("SetEvent", __FILE__, __LINE__);
  }
  if (::PostThreadMessageW(uiThreadId_, WM_NULL, 0, 0)) return true;
  logWin32Failure("PostThreadMessageW", __FILE__, __LINE__);
  return false;
}

bool SRService::beginSleep() noexcept {
  uiState_.store(kSleeping);
  // An item queued before the store saw the thread busy and posted its
  // message, which the loop's next retrieval finds; run it now instead of
  // sleeping until then.
  CriticalSectionLock queueGuard(runQueueLock_);
  if (runQueue_.empty()) return true;
  uiState_.store(kBusy);
  return false;
}

bool SRService::endSleep() noexcept {
  uiState_.store(kBusy);
  return serveQueued();
}

LRESULT CALLBACK SRService::getMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg && msg->hwnd == nullptr && msg->message == WM_NULL) instance().serveQueued();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool SRService::serveQueued() noexcept {
  // Only the items queued now: one that an item's run queues again (or a
  // worker's next report) waits for its own wake-up, so a busy worker cannot
  // keep the loop here for ever.
  size_t count;
  {
    CriticalSectionLock guard(runQueueLock_);
    count = runQueue_.size();
  }
  for (size_t i = 0; i < count; ++i) {
    std::shared_ptr<IRunable> item;
    {
      CriticalSectionLock guard(runQueueLock_);
      if (runQueue_.empty()) break;   // stopped meanwhile (from an item's run)
      item = std::move(runQueue_.front());
      runQueue_.pop_front();
    }
    try {
      item->run();
    } catch (...) {
      debugLog(L"SRService: a work item threw; ignored");
    }
  }
  return count != 0;
}

bool SRService::closeWhenSignalled(HANDLE handle) {
  if (!handle) return false;
  CriticalSectionLock guard(serviceLock_);
  if (!running_) return false;
  if (!reaperThread_) {
    reaperThread_.reset(::CreateThread(nullptr, 0, reaperMain, nullptr, 0, nullptr));
    KAVRI_RETURN_IF_WIN32_FALSE(reaperThread_, false);
  }
  try {
    reaperList_.emplace_back(handle);   // not owned until it is in the list
  } catch (...) {
    return false;
  }
  return true;
}

DWORD WINAPI SRService::reaperMain(void*) noexcept {
  SRService& service = instance();
  HANDLE stopEvent;
  {
    CriticalSectionLock guard(service.serviceLock_);
    stopEvent = service.stopEvent_.get();   // stays open until stop has joined this thread
  }
  for (;;) {
    service.reapPending();
    const DWORD wait = ::WaitForSingleObject(stopEvent, kReaperPollMs);
    if (wait != WAIT_TIMEOUT) break;   // stopped (or the event is unusable: finish up)
  }
  service.reapPending();   // handles handed over just before stop
  return 0;
}

void SRService::reapPending() noexcept {
  std::vector<UniqueHandle> handles;   // closed when this step ends
  {
    CriticalSectionLock guard(serviceLock_);
    handles.swap(reaperList_);
  }
  // One wait covers at most MAXIMUM_WAIT_OBJECTS handles.
  HANDLE chunk[MAXIMUM_WAIT_OBJECTS];
  for (size_t first = 0; first < handles.size(); first += MAXIMUM_WAIT_OBJECTS) {
    const DWORD count = DWORD(std::min<size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first));
    for (DWORD i = 0; i < count; ++i) chunk[i] = handles[first + i].get();
    if (::WaitForMultipleObjects(count, chunk, TRUE, INFINITE) == WAIT_FAILED) {
      // One bad handle fails the whole wait; wait for the others one by one.
      logWin32Failure("WaitForMultipleObjects", __FILE__, __LINE__);
      for (DWORD i = 0; i < count; ++i) ::WaitForSingleObject(chunk[i], INFINITE);
    }
  }
}

void SRService::stop() {
  std::deque<std::shared_ptr<IRunable>> dropped;
  {
    CriticalSectionLock guard(serviceLock_);
    if (!stopEvent_) return;   // never started, or stopped already
    ::SetEvent(stopEvent_.get());
    running_ = false;
    hook_.reset();
    dui::setLoopWaker(nullptr);
    CriticalSectionLock queueGuard(runQueueLock_);
    dropped.swap(runQueue_);
  }
  // A pacing timer still armed finds the queue empty; none fires after this.
  paceTimer_.reset();
  // Release whoever waits for these items (a notifier gets the answer 0), so
  // the workers can finish and the reaper can end.
  for (const auto& item : dropped) {
    try {
      item->cancel();
    } catch (...) {
    }
  }
  dropped.clear();

  if (reaperThread_) {
    // Here shutdown waits for the background work to end.
    ::WaitForSingleObject(reaperThread_.get(), INFINITE);
    reaperThread_.reset();
  }
  CriticalSectionLock guard(serviceLock_);
  stopEvent_.reset();
  wakeEvent_.reset();
  uiThreadId_ = 0;
}

}  // namespace kavri
