// The framework loops' wait for a message or the waker's work.
#include "dui/core/message_wait.h"

namespace dui {
namespace {

LoopWaker* g_waker = nullptr;

}  // namespace

void setLoopWaker(LoopWaker* waker) noexcept { g_waker = waker; }

BOOL getMessageOrWork(MSG* msg) noexcept {
  for (;;) {
    LoopWaker* waker = g_waker;
    if (!waker) return ::GetMessageW(msg, nullptr, 0, 0);
    // PeekMessageW runs the thread's message hooks as GetMessageW does.
    if (::PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE)) return msg->message == WM_QUIT ? 0 : 1;
    bool waitFailed = false;
    if (waker->beginSleep()) {
      HANDLE wake = waker->wakeEvent();
      waitFailed = ::MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_FAILED;
    }
    if (waker->endSleep()) {
      *msg = MSG{};
      msg->message = WM_NULL;
      return 1;
    }
    if (waitFailed) return ::GetMessageW(msg, nullptr, 0, 0);   // the plain wait, which the hook serves
  }
}

}  // namespace dui
