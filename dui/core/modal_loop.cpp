// The modal loop behind showDialog, and end modal.
#include "dui/core/window_base.h"

#include "dui/core/message_wait.h"
#include "support/debug_log.h"

namespace dui {

std::int32_t WindowBase::runModal(HWND owner) {
  if (!hwnd_ || modal_) return 0;  // not created, or already running modally
  bool ownerWasEnabled = false;
  if (owner) {
    if (::IsIconic(owner)) ::ShowWindow(owner, SW_SHOWNORMAL);
    ownerWasEnabled = !::EnableWindow(owner, FALSE);  // answers whether it was disabled before
  }
  ModalRun run;
  modal_ = &run;
  modalResult_ = 0;
  HWND self = hwnd_;
  ::ShowWindow(self, SW_SHOWNORMAL);

  // Messages retrieved and dispatched as GetMessage/DispatchMessage do, so
  // thread hooks (the UI-thread service's WH_GETMESSAGE) see each message;
  // the wait also runs the service's work when it wakes the loop directly.
  MSG msg;
  bool quit = false;
  while (!run.destroyed && modalResult_ == 0) {
    const BOOL got = getMessageOrWork(&msg);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got == -1) break;  // invalid arguments: nothing more will arrive
    if (msg.hwnd == self &&
        (msg.message == WM_CLOSE || (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE))) {
      // The user cannot close a modal window by the frame or Alt+F4; the
      // window may press its cancel button instead.
      try {
        closeRequested();
      } catch (...) {
        kavri::debugLog(L"a close request of a modal window failed with an exception");
      }
      if (run.destroyed) break;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    if (run.destroyed) break;  // destroyed from inside: `this` is gone
  }

  std::int32_t result = run.destroyed ? run.result : modalResult_;
  if (quit) {
    // Pass the quit on so the outer loops unwind too.
    ::PostQuitMessage(static_cast<int>(msg.wParam));
  }
  if (!run.destroyed) modal_ = nullptr;
  if (owner) {
    ::EnableWindow(owner, ownerWasEnabled ? TRUE : FALSE);
    ::SetActiveWindow(owner);
  }
  if (run.destroyed) return result;
  ::SetWindowPos(self, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  ::DestroyWindow(self);  // deletes this object
  return result;
}

void WindowBase::endModal(std::int32_t result) {
  modalResult_ = result;
  if (hwnd_) ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

}  // namespace dui
