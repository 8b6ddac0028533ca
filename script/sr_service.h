// SRService: runs work items queued by other threads on the UI thread, from
// inside that thread's own message retrieval, and reaps finished threads so
// that shutdown can wait for background work.
//
// How an item reaches the UI thread: `post` appends it to the run queue and
// wakes the UI thread. While the thread sleeps in a framework loop's wait
// (dui::getMessageOrWork, the service is its LoopWaker) the wake-up is the
// service's event and the loop runs the queued items itself. Otherwise (the
// thread is busy, or in a loop of the system's: a message box, a menu, a
// window being dragged) `post` posts the thread message WM_NULL: a
// WH_GETMESSAGE hook on the UI thread sees every message that GetMessageW/
// PeekMessageW remove there, in whatever loop is running, and for each WM_NULL
// thread message runs the items queued by then. No loop of the service's own
// is needed. The event path exists for speed: under Wine every message that
// passes a hook costs several calls to the server, an event wake-up one.
//
// Paced items (`postPaced`: reports nobody waits for) do not wake the UI
// thread one by one: the first of a burst arms a timer of one display frame,
// which wakes the thread for all of them, unless an ordinary item's wake-up
// (a notification's) comes first and they run before it, in order. A worker
// that reports every file thus costs the UI thread one wake-up per frame.
//
// Locks: the service lock guards start, stop, the running flag, posting and
// the reaper list; the run-queue lock guards the run queue. Both are
// process-wide and always taken in that order.
//
// Items that never run: when `stop` finds items still queued it drops them
// and calls their `cancel`, and `post` refuses items while the service is not
// running. A waiting notifier is thereby always released, so `stop` can never
// wait for a worker that waits for an answer which will not come.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "dui/core/message_wait.h"
#include "support/win32_handles.h"

namespace kavri {

class SRService final : public dui::LoopWaker {
 public:
  // A work item run on the UI thread. Held by shared ownership: the run queue
  // keeps one reference while the item waits.
  class IRunable {
   public:
    virtual ~IRunable() = default;
    // Runs on the UI thread, from the message hook. Must not throw.
    virtual void run() = 0;
    // Called instead of `run` when the item is dropped without running (the
    // service stopped first). May run on any thread. Must not throw.
    virtual void cancel() {}
  };

  static SRService& instance();

  // Starts the service on the calling (UI) thread; must run before any window
  // exists. Returns whether the service runs (false when it already does or a
  // system call failed).
  bool start();
  // Queues an item to run on the UI thread. Returns false (the item is not
  // queued and not run) when the service is not running.
  bool post(std::shared_ptr<IRunable> item);
  // Queues an item that may wait up to kPaceMs before it runs (see above);
  // false as `post`.
  bool postPaced(std::shared_ptr<IRunable> item);

  static constexpr DWORD kPaceMs = 16;
  // Hands a waitable handle to the reaper, which closes it once it is
  // signalled. Returns false (the caller keeps the handle) when the service is
  // not running or the reaper could not be started; a null handle is ignored.
  bool closeWhenSignalled(HANDLE handle);
  // Stops the service: removes the hook, cancels the items still queued, and
  // waits until the reaper has seen every handed-over handle signalled.
  void stop();

  bool isRunning();

  // dui::LoopWaker (UI thread): the framework loops' sleep.
  HANDLE wakeEvent() noexcept override { return wakeEvent_.get(); }
  bool beginSleep() noexcept override;
  bool endSleep() noexcept override;

 private:
  // Where the UI thread is, for `post`'s choice of wake-up.
  enum UiState : int { kBusy, kSleeping, kWoken };

  SRService() = default;
  static LRESULT CALLBACK getMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
  static DWORD WINAPI reaperMain(void*) noexcept;
  static void CALLBACK paceTimerFired(PTP_CALLBACK_INSTANCE, void*, PTP_TIMER) noexcept;
  // post and postPaced: queues the item and wakes the UI thread now, or
  // (paced) arms the frame timer if it is not armed yet.
  bool enqueue(std::shared_ptr<IRunable> item, bool paced);
  // Runs the items queued now, in order; answers whether there were any.
  bool serveQueued() noexcept;
  // Wakes the UI thread for a queued item; false when no wake-up could be
  // sent. Under the run-queue lock.
  bool wakeUiThread() noexcept;
  // Reaper step: takes every handle out of the list, waits until all are
  // signalled and closes them.
  void reapPending() noexcept;

  CriticalSection serviceLock_;    // first
  CriticalSection runQueueLock_;   // second
  UniqueHandle stopEvent_;         // exists while started
  UniqueHandle wakeEvent_;         // auto-reset; set by `post` while the UI thread sleeps
  std::atomic<int> uiState_{kBusy};
  UniquePoolTimer paceTimer_;      // exists while started
  bool paceArmed_ = false;         // under the run-queue lock: the timer will fire
  bool running_ = false;
  DWORD uiThreadId_ = 0;
  UniqueHhook hook_;
  std::deque<std::shared_ptr<IRunable>> runQueue_;
  std::vector<UniqueHandle> reaperList_;
  UniqueHandle reaperThread_;
};

}  // namespace kavri
