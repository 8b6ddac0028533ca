// System API, the rest: sleep, print, showMessageBox, reboot, markRestart,
// releaseMutex, setEnvVar, isVista, isWin8, isWOW32, isElevated.
#include <windows.h>

#include <cstdio>

#include "script/lua_convert.h"
#include "script/script_host.h"
#include "script/system_api_modules.h"
#include "support/instance_guard.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// sleep(ms): a negative time would be INFINITE to Sleep and hang the thread
// for good, so it counts as 0.
int sleep(lua_State* L) {
  const lua_Integer ms = argInteger(L, 1);
  ::Sleep(ms > 0 ? DWORD(ms) : 0);
  return 0;
}

// print(text): to the debugger output, no line end added.
int print(lua_State* L) {
  debugOutput(argText(L, 1));
  return 0;
}

// A box's modal loop runs the UI script's handlers (notifications, timers);
// an error one of them left pending is raised here, in the script that
// opened the box, as window:showMessageBox does. Only in the UI state.
int scriptMessageBox(lua_State* L, const wchar_t* text, const wchar_t* caption, UINT type) {
  const int button = systemSeam().messageBox(nullptr, text, caption, type);
  ScriptHost& host = ScriptHost::instance();
  if (host.ownsState(L)) host.raisePendingError(L);
  return button;
}

// showMessageBox(text, caption, type) -> the pressed button's identifier.
int showMessageBox(lua_State* L) {
  const std::wstring text = argText(L, 1);
  const std::wstring caption = argText(L, 2);
  const UINT type = UINT(argInteger(L, 3));
  lua_pushinteger(L, scriptMessageBox(L, text.c_str(), caption.c_str(), type));
  return 1;
}

// reboot(): enables the shutdown privilege and forces a restart; a failure is
// told to the user, who then restarts by hand.
int reboot(lua_State* L) {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    scriptMessageBox(L, L"重启电脑失败，原因：提升权限失败。请手动重启电脑。", nullptr, MB_OK);
    return 0;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // Outcome not examined: ExitWindowsEx reports a missing privilege itself.
  ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
  ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  if (systemSeam().exitWindowsEx(EWX_REBOOT | EWX_FORCE, 0)) return 0;
  const DWORD error = ::GetLastError();
  wchar_t message[32];
  _snwprintf(message, 31, L"重启电脑失败，原因：%d。 请手动重启电脑。", int(error));
  message[31] = 0;
  scriptMessageBox(L, message, nullptr, MB_OK);
  return 0;
}

// markRestart(): writes the restart marker that start-up tests.
int markRestart(lua_State* L) {
  writeRestartMarker();
  return 0;
}

// releaseMutex(): closes the single-instance mutex early; later calls do nothing.
int releaseMutex(lua_State* L) {
  releaseInstanceMutex();
  return 0;
}

// setEnvVar(name, value): in this process; started programs inherit it.
int setEnvVar(lua_State* L) {
  std::wstring name;
  if (!argBoundedText(L, 1, name) || name.empty()) return 0;
  const std::wstring value = argText(L, 2);
  ::SetEnvironmentVariableW(name.c_str(), value.c_str());
  return 0;
}

bool windowsVersion(OSVERSIONINFOW& version) {
  version = OSVERSIONINFOW{};
  version.dwOSVersionInfoSize = sizeof(version);
  return ::GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// isVista() -> boolean: NT 6.0 or later.
int isVista(lua_State* L) {
  OSVERSIONINFOW version;
  lua_pushboolean(L, windowsVersion(version) && version.dwMajorVersion >= 6);
  return 1;
}

// isWin8() -> boolean: major 6 or more and, tested on its own, minor 2 or more
// (6.2 and 6.3 qualify, 10.0 does not).
int isWin8(lua_State* L) {
  OSVERSIONINFOW version;
  lua_pushboolean(L, windowsVersion(version) && version.dwMajorVersion >= 6 && version.dwMinorVersion >= 2);
  return 1;
}

// isWOW32() -> boolean: true on 32-bit Windows (no WOW64 folder there).
int isWOW32(lua_State* L) {
  wchar_t folder[MAX_PATH];
  const bool noWow64 = ::GetSystemWow64DirectoryW(folder, MAX_PATH) == 0 &&
                       ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
  lua_pushboolean(L, noWow64);
  return 1;
}

// isElevated() -> boolean: this process runs with administrator rights (its
// token is elevated). Wine runs every process so.
int isElevated(lua_State* L) {
  lua_pushboolean(L, systemSeam().processElevated() ? 1 : 0);
  return 1;
}

const luaL_Reg kMiscFunctions[] = {
    {"sleep", guardedCall<sleep>},
    {"print", guardedCall<print>},
    {"showMessageBox", guardedCall<showMessageBox>},
    {"reboot", guardedCall<reboot>},
    {"markRestart", guardedCall<markRestart>},
    {"releaseMutex", guardedCall<releaseMutex>},
    {"setEnvVar", guardedCall<setEnvVar>},
    {"isVista", guardedCall<isVista>},
    {"isWin8", guardedCall<isWin8>},
    {"isWOW32", guardedCall<isWOW32>},
    {"isElevated", guardedCall<isElevated>},
    {nullptr, nullptr},
};

}  // namespace

void registerMiscApi(lua_State* L) { registerGlobals(L, kMiscFunctions); }

}  // namespace kavri
