// Timers and the registry from system timer identifier to Timer.
#include "dui/core/timer.h"

#include <cassert>
#include <map>

#include "dui/core/ui_thread.h"
#include "support/debug_log.h"

namespace dui {
namespace {

std::map<UINT_PTR, Timer*>& registry() {
  static std::map<UINT_PTR, Timer*> map;
  return map;
}

}  // namespace

Timer::~Timer() { stop(); }

void Timer::start() {
  // A thread's timer ticks only in that thread's message loop.
  assert(onUiThread() && "timers tick on the UI thread only: start them there");
  if (running_) return;
  // Without a window the requested identifier is ignored and the system picks one.
  const UINT_PTR id = ::SetTimer(nullptr, reinterpret_cast<UINT_PTR>(this), interval_, &Timer::timerProc);
  if (!id) {
    kavri::logWin32Failure("SetTimer", __FILE__, __LINE__);
    return;
  }
  id_ = id;
  running_ = true;
  registry()[id] = this;
  tick();
}

void Timer::stop() {
  assert(onUiThread() && "timers belong to the UI thread: stop them there");
  if (!running_) return;
  running_ = false;
  ::KillTimer(nullptr, id_);
  auto& map = registry();
  auto it = map.find(id_);
  if (it != map.end() && it->second == this) map.erase(it);
  id_ = 0;
}

void CALLBACK Timer::timerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept {
  auto& map = registry();
  auto it = map.find(id);
  if (it == map.end() || !it->second->running_) return;
  try {
    it->second->tick();
  } catch (...) {
    kavri::debugLog(L"timer tick failed with an exception");
  }
}

std::size_t runningTimerCount() { return registry().size(); }

}  // namespace dui
