// The framework loops' way of waiting for the next message, with one more way
// to be woken: a `LoopWaker` (the UI thread's service for work of other
// threads) that sets an event instead of posting a thread message. Under a
// message hook every retrieved message costs the hook chain; a wake-up by
// event costs the waker one call and the loop none, which is what makes a
// report of a background thread cheap while the UI thread is idle.
#pragma once

#include <windows.h>

namespace dui {

class LoopWaker {
 public:
  // The event other threads set to wake the sleeping loop (auto-reset).
  virtual HANDLE wakeEvent() noexcept = 0;
  // The loop is about to sleep. False: work is already waiting (the loop
  // does not sleep, and calls `endSleep` at once).
  virtual bool beginSleep() noexcept = 0;
  // The loop woke (for any reason) or did not sleep: runs the waiting work.
  // Answers whether anything ran.
  virtual bool endSleep() noexcept = 0;

 protected:
  ~LoopWaker() = default;
};

// Sets the UI thread's waker (null: none). UI thread only.
void setLoopWaker(LoopWaker* waker) noexcept;

// GetMessageW for the framework's loops: the same results (0 for WM_QUIT,
// -1 on failure). While it waits it also runs the waker's work; after work
// ran it returns a WM_NULL thread message, so that the caller checks its
// loop's conditions again (the work may have ended the loop or destroyed its
// window). Without a waker it is GetMessageW.
BOOL getMessageOrWork(MSG* msg) noexcept;

}  // namespace dui
