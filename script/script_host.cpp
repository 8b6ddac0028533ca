// The UI script state, script runs and protected native-to-script calls.
#include "script_host.h"

#include <windows.h>

#include "app/package/file_system.h"
#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "script/control_object.h"
#include "script/lua_window.h"
#include "script/script_api.h"
#include "support/debug_log.h"
#include "support/text_convert.h"

namespace kavri {
namespace {

inline constexpr wchar_t kErrorCaption[] = L"错误";

void showErrorBox(const std::wstring& text) {
  // A quit message left by an aborted modal loop would close the box at once.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  ::MessageBoxW(nullptr, text.c_str(), kErrorCaption, MB_OK);
}

std::string errorText(lua_State* L, int index) {
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  if (!text) return "(error object is not a string)";
  return std::string(text, length);
}

}  // namespace

ScriptHost& ScriptHost::instance() {
  static ScriptHost host;
  return host;
}

bool ScriptHost::createState() {
  lua_State* L = luaL_newstate();
  if (!L) return false;
  luaL_openlibs(L);
  registerSystemApi(L);   // after the standard libraries: its print wins
  lua_pushcfunction(L, luaCreateWindow);
  lua_setglobal(L, "createWindow");
  lua_pushcfunction(L, luaStartWork);
  lua_setglobal(L, "startWork");

  lua_newtable(L);
  lua_setfield(L, LUA_REGISTRYINDEX, kWindowRegistry);
  lua_newtable(L);
  lua_setfield(L, LUA_REGISTRYINDEX, kTimerRegistry);
  lua_createtable(L, 2, 0);
  lua_newtable(L);
  lua_rawseti(L, -2, 1);   // object table -> triple
  lua_newtable(L);
  lua_rawseti(L, -2, 2);   // control handle -> triple
  lua_setfield(L, LUA_REGISTRYINDEX, kControlRegistry);

  installControlObjectHooks();
  LuaWindow::installHooks();
  state_ = L;
  pendingError_.clear();
  return true;
}

void ScriptHost::runScript(const wchar_t* name) {
  lua_State* L = state_;
  if (!L) return;
  FileSystem* fs = currentFileSystem();
  size_t size = 0;
  HeapBuffer text = fs ? fs->loadFile(name, &size) : nullptr;

  std::string failure;
  if (!text) {
    failure = "cannot load script " + wideToUtf8(name);
  } else {
    const int top = lua_gettop(L);
    // The chunk is named after its file, so errors read "UI.lua:12: ...".
    const std::string chunkName = "=" + wideToUtf8(name);
    int status = luaL_loadbuffer(L, reinterpret_cast<const char*>(text.get()), size, chunkName.c_str());
    if (status == LUA_OK) status = lua_pcall(L, 0, LUA_MULTRET, 0);
    if (status != LUA_OK) failure = errorText(L, -1);
    // An error contained in native dispatch is the cause of whatever the
    // main chunk reported after it (or the only report, if the chunk ended).
    if (!pendingError_.empty()) failure = pendingError_;
    lua_settop(L, top);
  }
  if (!failure.empty()) {
    const std::wstring wide = utf8ToWide(failure);
    debugLog(L"script error: " + wide);
    reportError(wide);
  }
  if (text) fs->freeFile(text.release());
  // Windows and controls may outlive the state: nothing may call into it now.
  LuaWindow::releaseAll();
  releaseControlObjects();
  lua_close(L);
  state_ = nullptr;
  pendingError_.clear();
}

void ScriptHost::reportError(const std::wstring& text) {
  if (reporter_)
    reporter_(text);
  else
    showErrorBox(text);
}

void ScriptHost::pushRegistryCall(lua_State* L, const char* function, const char* registry) {
  lua_getglobal(L, function);
  lua_getfield(L, LUA_REGISTRYINDEX, registry);
}

void ScriptHost::callRegistry(lua_State* L, int nargs, int nresults) { lua_call(L, nargs, nresults); }

bool ScriptHost::callFromNative(int nargs, int nresults) {
  lua_State* L = state_;
  if (!L) return false;
  if (!pendingError_.empty()) {
    lua_pop(L, nargs + 1);
  } else if (lua_pcall(L, nargs, nresults, 0) == LUA_OK) {
    return true;
  } else {
    recordError(errorText(L, -1));
    lua_pop(L, 1);
  }
  for (int i = 0; i < nresults; ++i) lua_pushnil(L);
  return false;
}

void ScriptHost::recordError(const std::string& text) {
  if (!pendingError_.empty()) return;   // the first error is the cause
  pendingError_ = text;
  debugLog(L"script error in native dispatch: " + utf8ToWide(text));
  ::PostQuitMessage(0);   // unwinds the modal loops back to the script
}

void ScriptHost::raisePendingError(lua_State* L) {
  if (pendingError_.empty()) return;
  lua_pushlstring(L, pendingError_.data(), pendingError_.size());
  lua_error(L);
}

}  // namespace kavri
