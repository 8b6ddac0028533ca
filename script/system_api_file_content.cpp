// System API, whole-file contents by wide path: readWholeFile, writeWholeFile,
// getFileSize and folderExists. Lua's own io library opens files through the ANSI code
// page, which cannot name every file an install makes (a Chinese file name on
// an English system), so scripts read and write logs and settings through
// these instead.
#include <windows.h>

#include <string>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/file_replace.h"
#include "support/text_convert.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// Larger files are refused: scripts read logs and settings, and a file of
// this size in a script's memory is a mistake, not a use.
constexpr LONGLONG kLargestReadableFile = 64ll << 20;

int pushFailure(lua_State* L, const std::string& message) {
  lua_pushnil(L);
  lua_pushlstring(L, message.data(), message.size());
  return 2;
}

std::string describe(const char* function, const std::wstring& path, const char* what, DWORD error) {
  std::string text = std::string(function) + ": " + wideToUtf8(path) + " " + what;
  if (error) text += " (error " + std::to_string(error) + ")";
  return text;
}

// readWholeFile(path) -> the file's bytes, or nil and a message.
int readWholeFile(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path) || path.empty()) return pushFailure(L, "readWholeFile: no path, or a path too long");
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return pushFailure(L, describe("readWholeFile", path, "cannot be opened", ::GetLastError()));
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size))
    return pushFailure(L, describe("readWholeFile", path, "has no size", ::GetLastError()));
  if (size.QuadPart > kLargestReadableFile) return pushFailure(L, describe("readWholeFile", path, "is too large", 0));
  std::string bytes(size_t(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), &bytes[done], DWORD(bytes.size() - done), &read, nullptr))
      return pushFailure(L, describe("readWholeFile", path, "cannot be read", ::GetLastError()));
    if (read == 0) break;   // shorter than it was a moment ago
    done += read;
  }
  lua_pushlstring(L, bytes.data(), done);
  return 1;
}

// writeWholeFile(path, bytes) -> true, or false and the Windows error code.
// The new content is written beside the file and renamed over it, so a
// failure leaves the old file as it was.
int writeWholeFile(lua_State* L) {
  std::wstring path;
  size_t length = 0;
  const char* bytes = lua_type(L, 2) == LUA_TSTRING ? lua_tolstring(L, 2, &length) : nullptr;
  if (!argBoundedText(L, 1, path) || path.empty() || !bytes) {
    lua_pushboolean(L, false);
    lua_pushinteger(L, ERROR_INVALID_PARAMETER);
    return 2;
  }
  ::SetLastError(0);
  if (replaceFileContents(path, bytes, length)) {
    lua_pushboolean(L, true);
    return 1;
  }
  const DWORD error = ::GetLastError();
  lua_pushboolean(L, false);
  lua_pushinteger(L, error ? lua_Integer(error) : lua_Integer(ERROR_WRITE_FAULT));
  return 2;
}

// getFileSize(path) -> the size in bytes of a file, or nil (missing, a
// folder, or a path too long).
int getFileSize(lua_State* L) {
  std::wstring path;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!argBoundedText(L, 1, path) || path.empty() ||
      !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushnumber(L, lua_Number((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow));
  return 1;
}

// folderExists(path) -> true for an existing folder (empty or not); false for
// a file or nothing.
int folderExists(lua_State* L) {
  std::wstring path;
  const DWORD attributes = argBoundedText(L, 1, path) && !path.empty() ? ::GetFileAttributesW(path.c_str())
                                                                        : INVALID_FILE_ATTRIBUTES;
  lua_pushboolean(L, attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  return 1;
}

const luaL_Reg kFileContentFunctions[] = {
    {"readWholeFile", guardedCall<readWholeFile>},
    {"writeWholeFile", guardedCall<writeWholeFile>},
    {"getFileSize", guardedCall<getFileSize>},
    {"folderExists", guardedCall<folderExists>},
    {nullptr, nullptr},
};

}  // namespace

void registerFileContentApi(lua_State* L) { registerGlobals(L, kFileContentFunctions); }

}  // namespace kavri
