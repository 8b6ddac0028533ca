// The worker state's own globals: notifyMessage and extractFile.
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
// completely. Upvalue 1: the worker's PackageArchive.
int luaExtractFile(lua_State* L) {
  const auto* archive = static_cast<const PackageArchive*>(lua_touserdata(L, lua_upvalueindex(1)));
  bool written = false;
  if (archive) written = LuaWork::extract(*archive, argText(L, 1), argText(L, 2));
  lua_pushboolean(L, written);
  return 1;
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
      return false;   // nothing on disk changes
    }
    if (!intact) {
      debugLog(L"extractFile: damaged entry " + name);
      return false;   // a partial file must never replace the old one
    }
    return replaceFileContents(destination, content.get(), size);
  } catch (const std::exception&) {
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
