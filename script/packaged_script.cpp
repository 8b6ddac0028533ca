// Loading and running packaged scripts, and the one script error box.
#include "script/packaged_script.h"

#include <windows.h>

#include <atomic>

#include "package/file_system.h"
#include "lauxlib.h"
#include "support/debug_log.h"
#include "support/system_seam.h"
#include "support/text_convert.h"

namespace kavri {

std::string errorText(lua_State* L, int index) {
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  if (!text) return "(error object is not a string)";
  return std::string(text, length);
}

std::string runPackagedScript(lua_State* L, FileSystem& files, const std::wstring& name) {
  size_t size = 0;
  HeapBuffer text = files.loadFile(name, &size);
  if (!text) return "cannot load script " + wideToUtf8(name);
  std::string failure;
  const int top = lua_gettop(L);
  const std::string chunkName = "=" + wideToUtf8(name);
  int status = luaL_loadbuffer(L, reinterpret_cast<const char*>(text.get()), size, chunkName.c_str());
  if (status == LUA_OK) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  if (status != LUA_OK) failure = errorText(L, -1);
  lua_settop(L, top);
  files.freeFile(text.release());
  return failure;
}

namespace {

// package.searchers entry: finds "<name>.lua" among the packaged files.
int searchPackagedFiles(lua_State* L) {
  std::string module = luaL_checkstring(L, 1);
  for (char& c : module)
    if (c == '.') c = '/';
  const std::string fileName = module + ".lua";
  FileSystem* files = currentFileSystem();
  size_t size = 0;
  HeapBuffer text = files ? files->loadFile(utf8ToWide(fileName), &size) : nullptr;
  if (!text) {
    lua_pushfstring(L, "\n\tno packaged file '%s'", fileName.c_str());
    return 1;
  }
  const std::string chunkName = "=" + fileName;
  const int status = luaL_loadbuffer(L, reinterpret_cast<const char*>(text.get()), size, chunkName.c_str());
  files->freeFile(text.release());
  if (status != LUA_OK)
    return luaL_error(L, "error loading module '%s' from packaged file '%s':\n\t%s", lua_tostring(L, 1),
                      fileName.c_str(), lua_tostring(L, -1));
  lua_pushstring(L, fileName.c_str());   // the loader's second argument, as the file searchers give
  return 2;
}

}  // namespace

void restrictRequireToPackagedFiles(lua_State* L) {
  lua_getglobal(L, "package");
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_pushliteral(L, "");
  lua_setfield(L, -2, "path");
  lua_pushliteral(L, "");
  lua_setfield(L, -2, "cpath");
  lua_getfield(L, -1, "searchers");
  lua_rawgeti(L, -1, 1);   // the preload searcher stays first
  lua_createtable(L, 2, 0);
  lua_insert(L, -2);
  lua_rawseti(L, -2, 1);
  lua_pushvalue(L, -3);    // package table as the upvalue the standard searchers expect
  lua_pushcclosure(L, searchPackagedFiles, 1);
  lua_rawseti(L, -2, 2);
  lua_setfield(L, -3, "searchers");
  lua_pop(L, 2);   // old searchers, package
}

namespace {
std::atomic<bool> g_silentErrors{false};
}  // namespace

void setScriptErrorsSilent(bool silent) { g_silentErrors.store(silent); }
bool scriptErrorsSilent() { return g_silentErrors.load(); }

void reportScriptError(const std::wstring& text) {
  debugLog(L"script error: " + text);
  if (g_silentErrors.load()) return;   // a silent install shows nothing
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  systemSeam().messageBox(nullptr, text.c_str(), kErrorCaption, MB_OK);
}

}  // namespace kavri
