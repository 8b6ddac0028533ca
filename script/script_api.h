// The global functions the host puts into every UI state besides the standard
// libraries: the system API, createWindow, startWork and the process functions.
#pragma once

struct lua_State;

namespace kavri {

// Registers the system functions and the HKEY_* globals (replacing `print`).
void registerSystemApi(lua_State* L);

// createWindow(layout name [, style]) -> window object
int luaCreateWindow(lua_State* L);
// startWork(script name, package name, configuration text)
int luaStartWork(lua_State* L);

// The UI state's own process functions: the `arg` table, getCommandLine,
// setExitCode, setSilent, waitWork and workRunning.
void registerUiProcessApi(lua_State* L);
// The UI state's relaunchElevated: this installer again, with administrator rights.
void registerUiElevationApi(lua_State* L);

}  // namespace kavri
