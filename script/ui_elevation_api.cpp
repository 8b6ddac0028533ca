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
#include "script/ui_thread_wait.h"
#include "support/debug_log.h"
#include "support/elevated_start.h"
#include "support/instance_guard.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// What a command line holds at most, less room for the program's path.
constexpr size_t kMaxParameterUnits = 30000;

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
  const std::wstring file = executablePath();
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
  // This installer's windows stay responsive while the copy runs; the wait
  // ends when it has ended, or when its handle cannot be waited on.
  HANDLE copy = process.get();
  pumpMessagesUntil([copy] { return ::WaitForSingleObject(copy, 0) != WAIT_TIMEOUT; }, copy, INFINITE);
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
