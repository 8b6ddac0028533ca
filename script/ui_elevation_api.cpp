// The UI state's relaunchElevated: this installer started again with
// administrator rights (the system asks the user), waited for, its exit code
// the answer. An installer that lets its user choose an install for all users
// hands that install to the elevated copy this way.
#include <windows.h>

#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"
#include "script/notification_delivery.h"
#include "script/script_api.h"
#include "script/script_host.h"
#include "support/debug_log.h"
#include "support/elevated_start.h"
#include "support/instance_guard.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// What a command line holds at most, less room for the program's path.
constexpr size_t kMaxParameterUnits = 30000;

// This executable's full path ("" when it cannot be read).
std::wstring ownPath() {
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

// Retrieves and dispatches the UI thread's messages until `process` has
// ended, so that a window of this installer stays responsive (and the
// system's broadcasts answered) while the elevated copy runs. A quit message
// is kept and posted again after the wait.
void pumpUntilEnded(HANDLE process) {
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
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
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) break;   // ended, or the handle is unusable
  }
  if (quit) ::PostQuitMessage(int(quitCode));
}

int pushRefusal(lua_State* L, const std::wstring& message, const char* reason) {
  lua_pushboolean(L, 0);
  pushWide(L, message);
  lua_pushstring(L, reason);
  return 3;
}

// relaunchElevated(parameters) -> true and the exit code of this installer
// started again with `parameters` and administrator rights, once it has
// ended; else false, a message and the reason: "cancelled" (the user refused
// the prompt), "busy" (a background work runs, or called from a notification
// handler) or "failed". The instance mutex is released before the start (the
// copy must not be refused as a second installer) and taken again when
// nothing was started.
int relaunchElevated(lua_State* L) {
  const std::wstring parameters = argText(L, 1);
  if (parameters.size() > kMaxParameterUnits) return pushRefusal(L, L"the parameters are too long", "failed");
  if (deliveringNotification() || LuaWork::isRunning())
    return pushRefusal(L, L"a background work runs: it must end first", "busy");
  const std::wstring file = ownPath();
  if (file.empty()) return pushRefusal(L, L"this installer's own path cannot be read", "failed");

  const bool heldMutex = holdsInstanceMutex();
  releaseInstanceMutex();
  debugLog(L"installer: asking for administrator rights to run " + file + L" " + parameters);
  UniqueHandle process;
  unsigned long error = 0;
  if (!startElevated(file, parameters, process, error)) {
    if (heldMutex) acquireInstanceMutex();
    if (error == ERROR_CANCELLED) {
      debugLog(L"installer: administrator rights were refused");
      return pushRefusal(L, L"the administrator rights were not given", "cancelled");
    }
    debugLogf(L"installer: the elevated installer was not started (error %lu)", error);
    return pushRefusal(L, L"the installer could not be started with administrator rights (error " +
                              std::to_wstring(error) + L")",
                       "failed");
  }
  pumpUntilEnded(process.get());
  DWORD exitCode = 0;
  const bool known = ::GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE;
  ScriptHost& host = ScriptHost::instance();
  if (host.ownsState(L)) host.raisePendingError(L);   // a handler's error left during the wait
  if (!known) return pushRefusal(L, L"the elevated installer's outcome cannot be read", "failed");
  debugLogf(L"installer: the elevated installer ended with %lu", static_cast<unsigned long>(exitCode));
  lua_pushboolean(L, 1);
  lua_pushinteger(L, lua_Integer(exitCode));
  return 2;
}

const luaL_Reg kElevationFunctions[] = {
    {"relaunchElevated", guardedCall<relaunchElevated>},
    {nullptr, nullptr},
};

}  // namespace

void registerUiElevationApi(lua_State* L) {
  lua_pushglobaltable(L);
  luaL_setfuncs(L, kElevationFunctions, 0);
  lua_pop(L, 1);
}

}  // namespace kavri
