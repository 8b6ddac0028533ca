// The UI script state, script runs and protected native-to-script calls.
#include "script_host.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "package/file_system.h"
#include "script/control_object.h"
#include "script/lua_window.h"
#include "script/packaged_script.h"
#include "script/script_api.h"
#include "support/debug_log.h"
#include "support/exit_codes.h"
#include "support/text_convert.h"

namespace kavri {
namespace {

// The UI state's libraries, globals and registries, built inside a protected
// call so that no Lua error (memory errors included) escapes while building.
int buildUiState(lua_State* L) {
  try {
    luaL_openlibs(L);
    restrictRequireToPackagedFiles(L);
    registerSystemApi(L);   // after the standard libraries: its print wins
    lua_pushcfunction(L, luaCreateWindow);
    lua_setglobal(L, "createWindow");
    lua_pushcfunction(L, luaStartWork);
    lua_setglobal(L, "startWork");
    registerUiProcessApi(L);
    registerUiElevationApi(L);

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
  } catch (const std::exception& e) {   // Lua's own errors are not std::exceptions
    return luaL_error(L, "%s", e.what());
  }
  return 0;
}

}  // namespace

ScriptHost& ScriptHost::instance() {
  static ScriptHost host;
  return host;
}

bool ScriptHost::createState() {
  OwnedLuaState state(luaL_newstate());
  if (!state) return false;
  lua_State* L = state.get();
  lua_pushcfunction(L, buildUiState);
  if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
    debugLog(L"the script state could not be built: " + utf8ToWide(errorText(L, -1)));
    return false;
  }
  installControlObjectHooks();
  LuaWindow::installHooks();
  state_ = std::move(state);
  published_.store(state_.get());
  pendingError_.clear();
  exitCode_ = 0;
  return true;
}

int ScriptHost::runScript(const wchar_t* name) {
  lua_State* L = state_.get();
  if (!L) return kExitScriptError;
  FileSystem* fs = currentFileSystem();
  std::string failure = fs ? runPackagedScript(L, *fs, name) : "cannot load script " + wideToUtf8(name);
  // An error contained in native dispatch is the cause of whatever the main
  // chunk reported after it (or the only report, if the chunk ended).
  if (!pendingError_.empty()) failure = pendingError_;
  if (!failure.empty()) reportScriptError(utf8ToWide(failure));
  // Windows and controls may outlive the state: nothing may call into it now.
  LuaWindow::releaseAll();
  releaseControlObjects();
  published_.store(nullptr);
  state_.reset();
  pendingError_.clear();
  return failure.empty() || exitCode_ != 0 ? exitCode_ : kExitScriptError;
}

void ScriptHost::pushRegistryCall(lua_State* L, const char* function, const char* registry) {
  lua_getglobal(L, function);
  lua_getfield(L, LUA_REGISTRYINDEX, registry);
}

void ScriptHost::callRegistry(lua_State* L, int nargs, int nresults) { lua_call(L, nargs, nresults); }

bool ScriptHost::callFromNative(int nargs, int nresults) {
  lua_State* L = state_.get();
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

bool ScriptHost::ownsState(lua_State* L) const {
  const lua_State* ui = published_.load();
  if (!ui) return false;
  lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_MAINTHREAD);
  const lua_State* main = lua_tothread(L, -1);
  lua_pop(L, 1);
  return main == ui;
}

void ScriptHost::raisePendingError(lua_State* L) {
  if (pendingError_.empty()) return;
  lua_pushlstring(L, pendingError_.data(), pendingError_.size());
  lua_error(L);
}

}  // namespace kavri
