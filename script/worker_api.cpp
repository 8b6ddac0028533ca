// The worker state's own globals: notifyMessage and extractFile.
#include <windows.h>

#include <algorithm>

#include "lauxlib.h"
#include "lua.h"
#include "package/package_archive.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"
#include "support/debug_log.h"
#include "support/file_replace.h"

namespace kavri {
namespace {

// notifyMessage(text) -> the UI script's answer (0 when nobody answered).
int luaNotifyMessage(lua_State* L) {
  // The text stays on this frozen stack while the worker waits.
  const char* text = lua_tolstring(L, 1, nullptr);
  const int answer = LuaWork::notify(text);
  lua_pushinteger(L, answer);
  return 1;
}

// extractFile(entry name, destination path) -> true when the file was written
// completely, else false and the Windows error number (0: the entry is
// missing or damaged). Upvalue 1: the worker's PackageArchive.
int luaExtractFile(lua_State* L) {
  const auto* archive = static_cast<const PackageArchive*>(lua_touserdata(L, lua_upvalueindex(1)));
  ::SetLastError(0);
  if (archive && LuaWork::extract(*archive, argText(L, 1), argText(L, 2))) {
    lua_pushboolean(L, 1);
    return 1;
  }
  const DWORD error = ::GetLastError();   // set by extract on every failure
  lua_pushboolean(L, 0);
  lua_pushnumber(L, lua_Number(error));
  return 2;
}

}  // namespace

bool LuaWork::extract(const PackageArchive& archive, std::wstring name, const std::wstring& destination) noexcept {
  try {
    std::replace(name.begin(), name.end(), L'\\', L'/');
    size_t size = 0;
    bool intact = false;
    HeapBuffer content = archive.extract(name.c_str(), &size, &intact);
    if (!content) {
      debugLog(L"extractFile: no entry " + name);
      ::SetLastError(0);   // not a Windows error
      return false;   // nothing on disk changes
    }
    if (!intact) {
      debugLog(L"extractFile: damaged entry " + name);
      ::SetLastError(0);
      return false;   // a partial file must never replace the old one
    }
    return replaceFileContents(destination, content.get(), size);
  } catch (const std::exception&) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
}

void LuaWork::registerWorkerApi(lua_State* L, const PackageArchive* archive) {
  lua_pushcfunction(L, luaNotifyMessage);
  lua_setglobal(L, "notifyMessage");
  lua_pushlightuserdata(L, const_cast<PackageArchive*>(archive));
  lua_pushcclosure(L, luaExtractFile, 1);
  lua_setglobal(L, "extractFile");
}

}  // namespace kavri
