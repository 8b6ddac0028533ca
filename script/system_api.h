// The system script API: the global functions through which installation
// scripts touch the machine (files, folders, registry, shortcuts, special
// folders, processes, message boxes, restart marker, reboot, instance mutex),
// and the four HKEY_* root globals.
//
// Every function reads its arguments leniently (see lua_convert.h), never
// raises a Lua error, and answers false or nothing on failure.
#pragma once

#include "lua.h"

namespace kavri {

// Registers the API into the globals of `L`. Called after luaL_openlibs, so
// this `print` (to the debugger output) replaces the standard one.
void registerSystemApi(lua_State* L);

}  // namespace kavri
