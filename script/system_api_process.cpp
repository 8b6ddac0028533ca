// System API, processes: killProcess, isProcessRunning, getProcessPath,
// getRunningProcess, killRunningProcess.
//
// killProcess and isProcessRunning compare full executable paths (ignoring
// case, no normalisation); the running-process list stops programs by file
// name (support/running_process_list.h).
#include <windows.h>
#include <tlhelp32.h>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/running_process_list.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// The image path is read with QueryFullProcessImageNameW, which (unlike the
// module list) also works from a 32-bit process on a 64-bit program and needs
// only limited query access.
constexpr DWORD kKillAccess = PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
constexpr DWORD kQueryAccess = PROCESS_QUERY_LIMITED_INFORMATION;
constexpr UINT kKilledExitCode = 0xFFFFFFF8;   // -8
constexpr DWORD kKillWaitMs = 10000;

// Calls `onMatch(process)` for every process whose executable path equals
// `path`, ignoring case, until it returns false. False when no snapshot.
template <typename OnMatch>
bool forEachProcessAt(const std::wstring& path, DWORD access, OnMatch onMatch) {
  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    UniqueHandle process(::OpenProcess(access, FALSE, entry.th32ProcessID));
    if (!process) continue;
    wchar_t image[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (!::QueryFullProcessImageNameW(process.get(), 0, image, &length)) continue;
    if (::lstrcmpiW(image, path.c_str()) != 0) continue;
    if (!onMatch(process.get())) break;
  }
  return true;
}

// killProcess(path): terminates every process running from path (exit code
// -8), waiting up to 10 s for each.
int killProcess(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path) || path.empty()) return 0;
  forEachProcessAt(path, kKillAccess, [](HANDLE process) {
    if (systemSeam().terminateProcess(process, kKilledExitCode)) ::WaitForSingleObject(process, kKillWaitMs);
    return true;
  });
  return 0;
}

// isProcessRunning(path) -> true or nothing (never false).
int isProcessRunning(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path) || path.empty()) return 0;
  bool found = false;
  forEachProcessAt(path, kQueryAccess, [&found](HANDLE) {
    found = true;
    return false;
  });
  if (!found) return 0;
  lua_pushboolean(L, 1);
  return 1;
}

// getProcessPath() -> text or nothing: this program's executable.
int getProcessPath(lua_State* L) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  pushWide(L, std::wstring(path, length));
  return 1;
}

// getRunningProcess() -> the list text, or nothing when empty or unavailable.
int getRunningProcess(lua_State* L) {
  const std::wstring text = readRunningProcessList();
  if (text.empty()) return 0;
  pushWide(L, text);
  return 1;
}

// killRunningProcess(): stops the listed programs, then the installed application.
int killRunningProcess(lua_State* L) {
  killRunningProcesses();
  return 0;
}

const luaL_Reg kProcessFunctions[] = {
    {"killProcess", guardedCall<killProcess>},
    {"isProcessRunning", guardedCall<isProcessRunning>},
    {"getProcessPath", guardedCall<getProcessPath>},
    {"getRunningProcess", guardedCall<getRunningProcess>},
    {"killRunningProcess", guardedCall<killRunningProcess>},
    {nullptr, nullptr},
};

}  // namespace

void registerProcessApi(lua_State* L) { registerGlobals(L, kProcessFunctions); }

}  // namespace kavri
