// The global functions the host puts into every UI state besides the standard
// libraries: the system API, createWindow and startWork.
#pragma once

struct lua_State;

namespace kavri {

// Registers the system functions and the HKEY_* globals (replacing `print`).
void registerSystemApi(lua_State* L);

// createWindow(layout name [, style]) -> window object
int luaCreateWindow(lua_State* L);
// startWork(script name, package name, configuration text)
int luaStartWork(lua_State* L);

}  // namespace kavri
