// Timer: a system timer with a virtual tick, shared by the caret blink, script
// timers, the slideshow and the scroll repeat. UI thread only.
#pragma once

#include <windows.h>

#include <cstddef>

namespace dui {

class Timer {
 public:
  explicit Timer(UINT intervalMs = 0) : interval_(intervalMs) {}
  // Stops the system timer, so no tick reaches a dead object.
  virtual ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Starts the system timer and ticks once at once. Nothing when running or
  // when SetTimer fails (the timer then stays stopped).
  void start();
  // Kills the system timer. Nothing when stopped.
  void stop();

  bool running() const { return running_; }
  UINT interval() const { return interval_; }
  // The interval the next start() uses (a running timer keeps its own).
  void setInterval(UINT intervalMs) { interval_ = intervalMs; }
  // The identifier SetTimer returned, 0 while stopped.
  UINT_PTR systemId() const { return running_ ? id_ : 0; }

  virtual void tick() = 0;

 private:
  static void CALLBACK timerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept;

  UINT interval_;
  UINT_PTR id_ = 0;
  bool running_ = false;
};

// How many timers are running (entries in the timer registry).
std::size_t runningTimerCount();

}  // namespace dui
