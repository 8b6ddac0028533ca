// System API, files and folders: removeFile, moveFile, moveFileAtRestart,
// copyFile, removeDirectory, createDirectory, fileExists, directoryEmpty,
// setCurrentDirectory, volumeExists, getFreeSpace.
#include <windows.h>
#include <shlwapi.h>

#include <io.h>

#include <string>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/folders.h"

namespace kavri {
namespace {

// removeFile(path) -> boolean: clears read-only, then deletes.
int removeFile(lua_State* L) {
  std::wstring path;
  bool removed = false;
  if (argBoundedText(L, 1, path)) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    removed = ::DeleteFileW(path.c_str()) != FALSE;
  }
  lua_pushboolean(L, removed);
  return 1;
}

// moveFile(from, to) -> boolean: replaces the target, copies across volumes.
int moveFile(lua_State* L) {
  std::wstring from, to;
  bool moved = argBoundedText(L, 1, from) && argBoundedText(L, 2, to) &&
               ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
  lua_pushboolean(L, moved);
  return 1;
}

// moveFileAtRestart(source[, target]) -> true, or false and the Windows error
// number: the system moves source over target (or, without a target, deletes
// source) at the next restart, replacing what is there then. How a file in use
// is replaced, and how a program removes itself.
int moveFileAtRestart(lua_State* L) {
  std::wstring source, target;
  if (!argBoundedText(L, 1, source) || source.empty() || !argBoundedText(L, 2, target)) {
    lua_pushboolean(L, 0);
    lua_pushnumber(L, ERROR_INVALID_PARAMETER);
    return 2;
  }
  if (::MoveFileExW(source.c_str(), target.empty() ? nullptr : target.c_str(),
                    MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
    lua_pushboolean(L, 1);
    return 1;
  }
  const DWORD error = ::GetLastError();
  lua_pushboolean(L, 0);
  lua_pushnumber(L, lua_Number(error));
  return 2;
}

// copyFile(from, to) -> boolean: overwrites the target.
int copyFile(lua_State* L) {
  std::wstring from, to;
  bool copied = argBoundedText(L, 1, from) && argBoundedText(L, 2, to) &&
                ::CopyFileW(from.c_str(), to.c_str(), FALSE);
  lua_pushboolean(L, copied);
  return 1;
}

// removeDirectory(path): deletes the folder and everything in it.
int removeDirectory(lua_State* L) {
  std::wstring path;
  if (argBoundedText(L, 1, path)) removeDirectoryTree(path);
  return 0;
}

// createDirectory(path) -> boolean: true when the folder exists afterwards.
int createDirectory(lua_State* L) {
  std::wstring path;
  lua_pushboolean(L, argBoundedText(L, 1, path) && createDirectoryTree(path));
  return 1;
}

// fileExists(path) -> boolean: true for an existing non-folder.
int fileExists(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path)) {
    lua_pushboolean(L, 0);
    return 1;
  }
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    debugOutput(L"INVALID_FILE_ATTRIBUTES\n");
    lua_pushboolean(L, 0);
    return 1;
  }
  wchar_t line[64];
  _snwprintf(line, 63, L"ATTR = 0x%x AND = 0x%x\n", unsigned(attributes),
             unsigned(attributes & FILE_ATTRIBUTE_DIRECTORY));
  line[63] = 0;
  debugOutput(line);
  lua_pushboolean(L, (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0);
  return 1;
}

// directoryEmpty(path) -> boolean: true for a missing path or an empty folder.
int directoryEmpty(lua_State* L) {
  std::wstring path;
  bool empty = false;
  if (argBoundedText(L, 1, path))
    empty = ::_waccess(path.c_str(), 0) != 0 || ::PathIsDirectoryEmptyW(path.c_str());
  lua_pushboolean(L, empty);
  return 1;
}

// setCurrentDirectory(path)
int setCurrentDirectory(lua_State* L) {
  std::wstring path;
  if (argBoundedText(L, 1, path)) ::SetCurrentDirectoryW(path.c_str());
  return 0;
}

// volumeExists(root) -> boolean: true only for a fixed drive.
int volumeExists(lua_State* L) {
  std::wstring root;
  lua_pushboolean(L, argBoundedText(L, 1, root) && ::GetDriveTypeW(root.c_str()) == DRIVE_FIXED);
  return 1;
}

// getFreeSpace(path) -> the bytes free to this user on the volume holding
// path, or nil and a message. The path need not exist yet (a folder about to
// be created): its nearest existing parent folder counts.
int getFreeSpace(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path) || path.empty()) {
    lua_pushnil(L);
    lua_pushliteral(L, "getFreeSpace: no path, or a path too long");
    return 2;
  }
  std::wstring folder = fullPathName(path);
  DWORD error = ERROR_INVALID_NAME;
  while (!folder.empty()) {
    ULARGE_INTEGER available{};
    if (::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
      lua_pushnumber(L, lua_Number(available.QuadPart));
      return 1;
    }
    error = ::GetLastError();
    // Missing, or a file where a folder would be: try the parent.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_DIRECTORY &&
        error != ERROR_INVALID_NAME)
      break;
    // Up one folder; a root that does not exist ends the search.
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    const size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) break;
    folder.resize(slash + 1);
  }
  lua_pushnil(L);
  const std::string message = "getFreeSpace: no volume for " + wideToUtf8(path) + " (error " +
                              std::to_string(error) + ")";
  lua_pushlstring(L, message.data(), message.size());
  return 2;
}

const luaL_Reg kFileFunctions[] = {
    {"removeFile", guardedCall<removeFile>},
    {"moveFile", guardedCall<moveFile>},
    {"moveFileAtRestart", guardedCall<moveFileAtRestart>},
    {"copyFile", guardedCall<copyFile>},
    {"removeDirectory", guardedCall<removeDirectory>},
    {"createDirectory", guardedCall<createDirectory>},
    {"fileExists", guardedCall<fileExists>},
    {"directoryEmpty", guardedCall<directoryEmpty>},
    {"setCurrentDirectory", guardedCall<setCurrentDirectory>},
    {"volumeExists", guardedCall<volumeExists>},
    {"getFreeSpace", guardedCall<getFreeSpace>},
    {nullptr, nullptr},
};

}  // namespace

void registerFileApi(lua_State* L) { registerGlobals(L, kFileFunctions); }

}  // namespace kavri
