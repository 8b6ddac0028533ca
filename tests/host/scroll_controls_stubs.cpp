// Window-free stand-ins for what the scrolling controls take from the system
// in the native build: timers that tick once when started (no system timer
// follows), debugger output that goes nowhere, skin images of fixed sizes
// (16 x 16 arrows, 16-pixel bars, a 10 x 20 slider thumb) and a window that
// takes no focus and posts no pointer moves.
#include <set>

#include "dui/controls/list_skin_sizes.h"
#include "dui/controls/window_access.h"
#include "dui/core/timer.h"
#include "support/debug_log.h"

namespace dui {
namespace {

std::set<Timer*>& runningTimers() {
  static std::set<Timer*> timers;
  return timers;
}

}  // namespace

Timer::~Timer() { stop(); }

void Timer::start() {
  if (running_) return;
  running_ = true;
  id_ = reinterpret_cast<UINT_PTR>(this);
  runningTimers().insert(this);
  tick();  // may destroy this timer's owner, and the timer with it
}

void Timer::stop() {
  if (!running_) return;
  running_ = false;
  runningTimers().erase(this);
  id_ = 0;
}

std::size_t runningTimerCount() { return runningTimers().size(); }

ScrollBarSkin scrollBarSkin(const Control&, bool) { return ScrollBarSkin{}; }

void scrollArrowSizes(const Control&, bool, Size& first, Size& second) {
  first = Size{16, 16};
  second = Size{16, 16};
}

Size barSkinSize(const wchar_t*) { return Size{16, 16}; }

std::int32_t horizontalBarThickness() { return 16; }

Size sliderThumbSize(const Control&) { return Size{10, 20}; }

void takeKeyboardFocus(Control*) {}

void postPointerMove(const Control*) {}

}  // namespace dui

namespace kavri {

void debugLog(const std::wstring&) {}
void debugOutput(const std::wstring&) {}
void debugLogf(const wchar_t*, ...) {}
void setDebugLogSink(DebugLogSink) {}
void logWin32Failure(const char*, const char*, int) {}

}  // namespace kavri
