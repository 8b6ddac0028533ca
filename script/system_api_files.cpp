// System API, files and folders: removeFile, moveFile, copyFile,
// removeDirectory, createDirectory, installFolderIsSafe, fileExists, directoryEmpty,
// setCurrentDirectory, volumeExists.
#include <windows.h>
#include <shlwapi.h>

#include <io.h>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/folders.h"
#include "support/ownership.h"

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

// installFolderIsSafe(path) -> boolean: false for an existing folder that is a
// link or belongs to someone other than the administrators (or this process's
// own user when not elevated): installing into it would leave that owner
// rights over the installed program. A missing folder is safe.
int installFolderIsSafe(lua_State* L) {
  std::wstring path;
  lua_pushboolean(L, argBoundedText(L, 1, path) && isInstallFolderSafe(path));
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

const luaL_Reg kFileFunctions[] = {
    {"removeFile", guardedCall<removeFile>},
    {"moveFile", guardedCall<moveFile>},
    {"copyFile", guardedCall<copyFile>},
    {"removeDirectory", guardedCall<removeDirectory>},
    {"createDirectory", guardedCall<createDirectory>},
    {"installFolderIsSafe", guardedCall<installFolderIsSafe>},
    {"fileExists", guardedCall<fileExists>},
    {"directoryEmpty", guardedCall<directoryEmpty>},
    {"setCurrentDirectory", guardedCall<setCurrentDirectory>},
    {"volumeExists", guardedCall<volumeExists>},
    {nullptr, nullptr},
};

}  // namespace

void registerFileApi(lua_State* L) { registerGlobals(L, kFileFunctions); }

}  // namespace kavri
