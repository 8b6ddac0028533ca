// The executable's own path and the message-pumping wait of the UI thread.
#include "script/ui_thread_wait.h"

namespace kavri {

std::wstring executablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void pumpMessagesUntil(const std::function<bool()>& ended, HANDLE object, DWORD pollMs) {
  bool quit = false;
  WPARAM quitCode = 0;
  while (!ended()) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (ended()) break;
    ::MsgWaitForMultipleObjects(object ? 1 : 0, object ? &object : nullptr, FALSE, pollMs, QS_ALLINPUT);
  }
  if (quit) ::PostQuitMessage(int(quitCode));
}

}  // namespace kavri
