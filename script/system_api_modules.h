// The system API's modules, one luaL_Reg table each; registerSystemApi calls
// them in turn. Internal to script/.
#pragma once

#include "lua.h"
#include "lauxlib.h"

namespace kavri {

// Sets every function of `functions` as a global of `L`.
void registerGlobals(lua_State* L, const luaL_Reg* functions);

void registerFileApi(lua_State* L);       // files, folders, volumes, current directory
void registerRegistryApi(lua_State* L);   // reg* functions and the HKEY_* globals
void registerShellApi(lua_State* L);      // shellExecuteEx, shortcuts, special folders
void registerProcessApi(lua_State* L);    // process lookup and termination, running-process list
void registerFileContentApi(lua_State* L);   // readWholeFile, writeWholeFile, getFileSize, folderExists
void registerMiscApi(lua_State* L);       // sleep, print, dialogs, restart, mutex, environment, versions, elevation
void registerPackageApi(lua_State* L);    // listEntries
void registerJsonApi(lua_State* L);       // jsonEncode, jsonDecode
void registerElevatedApi(lua_State* L);   // install folder, guarded removal, hashes, private temporary folder

}  // namespace kavri
