// Lua test state and seam recorders.
#include "lua_test_state.h"

#include "script/lua_convert.h"
#include "script/packaged_script.h"
#include "script/system_api.h"
#include "support/folders.h"

namespace kavri::test {

LuaTestState::LuaTestState() : L_(luaL_newstate()) {
  luaL_openlibs(L_);
  registerSystemApi(L_);
}

LuaTestState::~LuaTestState() { lua_close(L_); }

void LuaTestState::setText(const char* name, const std::wstring& value) {
  pushWide(L_, value);
  lua_setglobal(L_, name);
}

std::string LuaTestState::run(const std::string& chunk) {
  const int top = lua_gettop(L_);
  std::string error;
  if (luaL_loadstring(L_, chunk.c_str()) != LUA_OK || lua_pcall(L_, 0, 0, 0) != LUA_OK) {
    const char* message = lua_tostring(L_, -1);
    error = message ? message : "(non-string error)";
  }
  lua_settop(L_, top);
  return error;
}

std::vector<std::wstring> RecordingSeam::terminated;
std::vector<UINT> RecordingSeam::exitCodes;
std::vector<UINT> RecordingSeam::rebootFlags;
std::vector<std::wstring> RecordingSeam::messages;
std::vector<std::wstring> RecordingSeam::scriptErrors;
BOOL RecordingSeam::rebootResult = TRUE;
DWORD RecordingSeam::rebootError = 0;
int RecordingSeam::messageBoxResult = IDOK;
DWORD RecordingSeam::integrityOverride = 0;
std::wstring RecordingSeam::allowed_;

RecordingSeam::RecordingSeam(std::wstring allowedFolder) {
  allowed_ = std::move(allowedFolder);
  terminated.clear();
  exitCodes.clear();
  rebootFlags.clear();
  messages.clear();
  scriptErrors.clear();
  rebootResult = TRUE;
  rebootError = 0;
  messageBoxResult = IDOK;
  integrityOverride = 0;
  SystemSeam calls = realSystemSeam();   // elevation and the desktop shell stay real
  calls.terminateProcess = terminate;
  calls.exitWindowsEx = exitWindows;
  calls.messageBox = messageBox;
  calls.processIntegrity = integrity;
  previous_ = replaceSystemSeam(calls);
}

RecordingSeam::~RecordingSeam() { replaceSystemSeam(previous_); }

DWORD WINAPI RecordingSeam::integrity(HANDLE process) {
  // Wine gives every process the high level; the helpers a user starts run at
  // medium on Windows, and are reported so here unless a test says otherwise.
  return integrityOverride ? integrityOverride : SECURITY_MANDATORY_MEDIUM_RID;
}

BOOL WINAPI RecordingSeam::terminate(HANDLE process, UINT exitCode) {
  const std::wstring image = processImagePath(process);
  const size_t slash = image.find_last_of(L'\\');
  terminated.push_back(slash == std::wstring::npos ? image : image.substr(slash + 1));
  exitCodes.push_back(exitCode);
  const bool inAllowedFolder = !allowed_.empty() && image.size() > allowed_.size() &&
                               ::CompareStringOrdinal(image.c_str(), int(allowed_.size()), allowed_.c_str(),
                                                      int(allowed_.size()), TRUE) == CSTR_EQUAL;
  if (!inAllowedFolder) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return ::TerminateProcess(process, exitCode);
}

BOOL WINAPI RecordingSeam::exitWindows(UINT flags, DWORD) {
  rebootFlags.push_back(flags);
  if (!rebootResult) ::SetLastError(rebootError);
  return rebootResult;
}

int WINAPI RecordingSeam::messageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT) {
  if (!owner && caption && std::wstring(caption) == kErrorCaption) {
    scriptErrors.push_back(text ? text : L"");
    return IDOK;
  }
  messages.push_back(text ? text : L"");
  return messageBoxResult;
}

std::wstring processImagePath(HANDLE process) {
  wchar_t image[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  if (!::QueryFullProcessImageNameW(process, 0, image, &length)) return std::wstring();
  return std::wstring(image, length);
}

std::wstring freshTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + name;
  removeDirectoryTree(folder);
  createDirectoryTree(folder);
  return folder;
}

}  // namespace kavri::test
