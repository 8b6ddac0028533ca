// The UI state's process functions: the `arg` table and getCommandLine (what
// the installer was started with), setExitCode, setSilent and os.exit (how it
// ends), waitWork (waiting for the background work, with or without a
// window) and workRunning (whether it still runs).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"
#include "script/notification_delivery.h"
#include "script/packaged_script.h"
#include "script/script_api.h"
#include "script/script_host.h"
#include "script/ui_thread_wait.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// The command line after the program name, as CommandLineToArgvW finds its
// end (a quoted name ends at the next quote, a plain one at the first blank),
// with the blanks that follow it removed.
std::wstring commandLineTail(const wchar_t* line) {
  const wchar_t* p = line ? line : L"";
  if (*p == L'"') {
    for (++p; *p && *p != L'"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

// arg: [0] the executable's full path, [1..n] the arguments as
// CommandLineToArgvW splits them.
void setArgTable(lua_State* L) {
  lua_newtable(L);
  pushWide(L, executablePath());
  lua_rawseti(L, -2, 0);
  int count = 0;
  UniqueHlocal argv(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count)));
  const auto* words = static_cast<wchar_t* const*>(static_cast<void*>(argv.get()));
  for (int i = 1; words && i < count; ++i) {
    pushWide(L, words[i]);
    lua_rawseti(L, -2, i);
  }
  lua_setglobal(L, "arg");
}

// getCommandLine() -> the raw text after the program name.
int getCommandLine(lua_State* L) {
  pushWide(L, commandLineTail(::GetCommandLineW()));
  return 1;
}

// setExitCode(n): the process's exit code once UI.lua has ended.
int setExitCode(lua_State* L) {
  ScriptHost::instance().setExitCode(int(argInteger(L, 1)));
  return 0;
}

// setSilent(flag): script errors and the host's own boxes are only logged.
int setSilent(lua_State* L) {
  setScriptErrorsSilent(argBoolean(L, 1));
  return 0;
}

// A notification handed to the handler of the waitWork that runs.
struct HandlerCall {
  int handler;        // registry reference of the function
  const char* text;   // the notification, may be null
};

// Runs protected: argument 1 is the HandlerCall.
int invokeWaitHandler(lua_State* L) {
  const auto* call = static_cast<const HandlerCall*>(lua_touserdata(L, 1));
  lua_rawgeti(L, LUA_REGISTRYINDEX, call->handler);
  lua_pushstring(L, call->text);   // a null text reaches the script as nil
  lua_call(L, 1, 1);
  return 1;
}

int deliverToWaitHandler(const char* text, void* context) noexcept {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return 0;
  const int top = lua_gettop(L);
  HandlerCall call{*static_cast<int*>(context), text};
  lua_pushcfunction(L, invokeWaitHandler);
  lua_pushlightuserdata(L, &call);
  host.callFromNative(1, 1);   // an error is kept pending and answers 0
  const int answer = lua_type(L, -1) == LUA_TNUMBER ? int(argInteger(L, -1)) : 0;
  lua_settop(L, top);
  return answer;
}

// Retrieves and dispatches the UI thread's messages until no work runs. The
// hook of SRService serves the worker's notifications from these retrievals.
// A quit message (left by a contained script error, or posted by the script)
// must not end the wait, which would leave the worker unanswered: it is
// posted again once the work has ended.
void pumpUntilWorkEnds() {
  pumpMessagesUntil([] { return !LuaWork::isRunning(); }, nullptr, 50);
}

// workRunning() -> true from a successful startWork until the worker has
// ended. A window learns of the end of the work from its last report; this
// lets it notice a work that ended without one (its script failed).
int workRunning(lua_State* L) {
  lua_pushboolean(L, LuaWork::isRunning());
  return 1;
}

unsigned g_waitedStarts = 0;   // LuaWork::startCount() when the last wait ended (UI thread)

// waitWork([handler]) -> true once the background work has ended (and, when
// its script failed, the error text), false when no work ran since the last
// wait. With a handler, notifications go to handler(text), whose integer
// answer is the worker's; without one they reach the windows' handlers.
int waitWork(lua_State* L) {
  // Inside a notification handler the worker waits for that handler: waiting
  // for the worker would never end.
  if (deliveringNotification())
    return luaL_error(L, "waitWork: called from a notification handler, whose answer the work waits for");
  if (!LuaWork::isRunning() && LuaWork::startCount() == g_waitedStarts) {
    lua_pushboolean(L, 0);
    return 1;
  }
  int handler = LUA_NOREF;
  if (lua_type(L, 1) == LUA_TFUNCTION) {
    lua_pushvalue(L, 1);
    handler = luaL_ref(L, LUA_REGISTRYINDEX);
  }
  NotificationRedirect previous{};
  const bool redirected = handler != LUA_NOREF;
  if (redirected) previous = redirectNotifications({deliverToWaitHandler, &handler});
  pumpUntilWorkEnds();
  if (redirected) redirectNotifications(previous);
  luaL_unref(L, LUA_REGISTRYINDEX, handler);
  g_waitedStarts = LuaWork::startCount();
  ScriptHost::instance().raisePendingError(L);
  lua_pushboolean(L, 1);
  const std::string failure = LuaWork::lastFailure();
  if (failure.empty()) return 1;
  lua_pushlstring(L, failure.data(), failure.size());
  return 2;
}

// os.exit([code]) in the UI state: as Lua's own (true or nothing is 0, false
// 1, a number itself), but only once the background work has ended, with its
// notifications answered by the windows' handlers meanwhile: ending the
// process would otherwise kill the worker in the middle of a file.
int exitAfterWork(lua_State* L) {
  const int code = lua_isboolean(L, 1) ? (lua_toboolean(L, 1) ? EXIT_SUCCESS : EXIT_FAILURE)
                                       : int(luaL_optinteger(L, 1, EXIT_SUCCESS));
  // Inside a notification handler the worker waits for the answer, between
  // two files: it ends with the process there.
  if (!deliveringNotification()) pumpUntilWorkEnds();
  // Not exit(): its static destructors would close the Lua state this call
  // runs in. Files the script left open are flushed first, as exit() would.
  std::fflush(nullptr);
  ::ExitProcess(UINT(code));
}

const luaL_Reg kUiProcessFunctions[] = {
    {"getCommandLine", guardedCall<getCommandLine>},
    {"setExitCode", guardedCall<setExitCode>},
    {"setSilent", guardedCall<setSilent>},
    {"waitWork", guardedCall<waitWork>},
    {"workRunning", guardedCall<workRunning>},
    {nullptr, nullptr},
};

}  // namespace

void registerUiProcessApi(lua_State* L) {
  g_waitedStarts = LuaWork::startCount();   // a new script has waited for nothing yet
  lua_pushglobaltable(L);
  luaL_setfuncs(L, kUiProcessFunctions, 0);
  lua_pop(L, 1);
  setArgTable(L);
  lua_getglobal(L, "os");
  if (lua_istable(L, -1)) {
    lua_pushcfunction(L, guardedCall<exitAfterWork>);
    lua_setfield(L, -2, "exit");
  }
  lua_pop(L, 1);
}

}  // namespace kavri
