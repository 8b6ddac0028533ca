// System API, shell: shellExecuteEx, shellExecuteAsUser, createShortCut and
// the special folders getAppDataFolder, getProgramFolder, getTempFolder,
// getDesktopFolder, getStartMenuFolder (the last three all users' or, asked
// with "user", this user's own).
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/user_launch.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr DWORD kExitCodeWaitMs = 5000;

// shellExecuteEx(file, parameters, verb, show, mask) -> see below.
// mask 0x40 (SEE_MASK_NOCLOSEPROCESS) waits up to 5 s for the started program:
// true and its exit code when it ended, a single false when it still runs.
// Without 0x40: true once started. false when it could not be started.
int shellExecuteEx(lua_State* L) {
  std::wstring file;
  if (!argBoundedText(L, 1, file)) {
    lua_pushboolean(L, 0);
    return 1;
  }
  const std::wstring parameters = argText(L, 2);
  const std::wstring verb = argText(L, 3);
  const int show = int(argInteger(L, 4));
  const ULONG mask = ULONG(argInteger(L, 5));

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = mask | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();   // empty strings, never null pointers
  info.lpVerb = verb.c_str();
  info.nShow = show;
  if (!::ShellExecuteExW(&info)) {
    logWin32Failure("ShellExecuteExW", __FILE__, __LINE__);
    lua_pushboolean(L, 0);
    return 1;
  }
  UniqueHandle process(info.hProcess);   // set only with 0x40, closed on every path
  if (!(mask & SEE_MASK_NOCLOSEPROCESS)) {
    lua_pushboolean(L, 1);
    return 1;
  }
  if (::WaitForSingleObject(process.get(), kExitCodeWaitMs) == WAIT_TIMEOUT) {
    lua_pushboolean(L, 0);
    return 1;
  }
  DWORD exitCode = 0;
  lua_pushboolean(L, 1);
  if (!process || !::GetExitCodeProcess(process.get(), &exitCode)) return 1;
  lua_pushinteger(L, static_cast<int32_t>(exitCode));
  return 2;
}

// shellExecuteAsUser(file[, parameters[, verb[, show]]]) -> true, or false
// and the reason: starts a program or document as the signed-in user, never
// with this installer's administrator rights (see startAsSignedInUser). The
// show state defaults to SW_SHOWNORMAL.
int shellExecuteAsUser(lua_State* L) {
  UserLaunch launch;
  if (!argBoundedText(L, 1, launch.file) || launch.file.empty()) {
    lua_pushboolean(L, 0);
    lua_pushliteral(L, "shellExecuteAsUser: no file, or a path too long");
    return 2;
  }
  launch.parameters = argText(L, 2);
  launch.verb = argText(L, 3);
  launch.show = lua_isnoneornil(L, 4) ? SW_SHOWNORMAL : int(argInteger(L, 4));
  std::wstring reason;
  if (startAsSignedInUser(launch, reason)) {
    lua_pushboolean(L, 1);
    return 1;
  }
  debugLogf(L"shellExecuteAsUser: %ls not started: %ls", launch.file.c_str(), reason.c_str());
  lua_pushboolean(L, 0);
  pushWide(L, launch.file + L" is not started: " + reason);
  return 2;
}

// createShortCut(target, link) -> boolean: writes a shell link to target.
int createShortCut(lua_State* L) {
  std::wstring target, link;
  if (!argBoundedText(L, 1, target) || !argBoundedText(L, 2, link)) {
    lua_pushboolean(L, 0);
    return 1;
  }
  HRESULT last = E_FAIL;
  {
    ComScope com(ComScope::Com);
    ComRef<IShellLinkW> shellLink;
    last = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.putVoid());
    if (SUCCEEDED(last)) {
      shellLink->SetPath(target.c_str());   // result not examined: Save reports the outcome
      ComRef<IPersistFile> file;
      last = shellLink->QueryInterface(IID_IPersistFile, file.putVoid());
      if (SUCCEEDED(last)) last = file->Save(link.c_str(), TRUE);
    }
  }   // the interfaces are released before COM is uninitialised
  if (FAILED(last)) debugLogf(L"createShortCut: %ls failed with 0x%08lx", link.c_str(), static_cast<unsigned long>(last));
  lua_pushboolean(L, SUCCEEDED(last));
  return 1;
}

int pushSpecialFolder(lua_State* L, int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return 0;
  pushWide(L, path);
  return 1;
}

// The optional mode argument (1) of the folders that exist per machine and
// per user: nothing or "machine" for all users' folder, "user" for this
// user's own. False for anything else, after pushing nil and the reason (the
// two results of the call).
bool folderMode(lua_State* L, bool& perUser) {
  const std::wstring mode = lua_isnoneornil(L, 1) ? std::wstring() : argText(L, 1);
  perUser = mode == L"user";
  if (perUser || mode.empty() || mode == L"machine") return true;
  lua_pushnil(L);
  lua_pushliteral(L, "the mode must be \"machine\" or \"user\"");
  return false;
}

int pushModeFolder(lua_State* L, int machineFolder, int userFolder) {
  bool perUser = false;
  if (!folderMode(L, perUser)) return 2;
  return pushSpecialFolder(L, perUser ? userFolder : machineFolder);
}

// This user's own programs folder, where per-user installs go: the known
// folder UserProgramFiles, which the system has only from Windows 7 on (and
// Wine not at all), else the "Programs" folder of the local application data
// it names. Not created here: the install folder is made below it with its
// checks.
int pushUserProgramFolder(lua_State* L) {
  PWSTR known = nullptr;
  const HRESULT found = ::SHGetKnownFolderPath(FOLDERID_UserProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &known);
  const UniqueCoTaskMem<wchar_t> owned(known);   // freed whether or not it was found
  if (SUCCEEDED(found) && known && *known) {
    pushWide(L, known);
    return 1;
  }
  wchar_t local[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE)) return 0;
  pushWide(L, std::wstring(local) + L"\\Programs");
  return 1;
}

int getAppDataFolder(lua_State* L) { return pushSpecialFolder(L, CSIDL_APPDATA); }
// getProgramFolder([mode]): Program Files, or this user's programs folder.
int getProgramFolder(lua_State* L) {
  bool perUser = false;
  if (!folderMode(L, perUser)) return 2;
  return perUser ? pushUserProgramFolder(L) : pushSpecialFolder(L, CSIDL_PROGRAM_FILES);
}
// getDesktopFolder([mode]), getStartMenuFolder([mode]): all users', or this user's.
int getDesktopFolder(lua_State* L) { return pushModeFolder(L, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY); }
int getStartMenuFolder(lua_State* L) { return pushModeFolder(L, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS); }

// getTempFolder() -> text or nothing; ends with a backslash.
int getTempFolder(lua_State* L) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, path);
  if (length == 0 || length >= MAX_PATH) return 0;
  pushWide(L, std::wstring(path, length));
  return 1;
}

const luaL_Reg kShellFunctions[] = {
    {"shellExecuteEx", guardedCall<shellExecuteEx>},
    {"shellExecuteAsUser", guardedCall<shellExecuteAsUser>},
    {"createShortCut", guardedCall<createShortCut>},
    {"getAppDataFolder", guardedCall<getAppDataFolder>},
    {"getProgramFolder", guardedCall<getProgramFolder>},
    {"getTempFolder", guardedCall<getTempFolder>},
    {"getDesktopFolder", guardedCall<getDesktopFolder>},
    {"getStartMenuFolder", guardedCall<getStartMenuFolder>},
    {nullptr, nullptr},
};

}  // namespace

void registerShellApi(lua_State* L) { registerGlobals(L, kShellFunctions); }

}  // namespace kavri
