// The system script API: the global functions through which installation
// scripts touch the machine (files, folders, registry, shortcuts, special
// folders, processes, message boxes, restart marker, reboot, instance mutex),
// and the four HKEY_* root globals.
//
// Every function reads its arguments leniently (see lua_convert.h), never
// raises a Lua error, and answers false or nothing on failure.
#pragma once

#include <cstddef>

#include "lua.h"

namespace kavri {

class PackageArchive;

// The payload package a background work was started on.
struct WorkerPackage {
  const PackageArchive* archive;
  size_t imageSize;
};

// Registers the API into the globals of `L`. Called after luaL_openlibs, so
// this `print` (to the debugger output) replaces the standard one.
void registerSystemApi(lua_State* L);

// Binds `listEntries()` without an argument to `package` (the worker state's
// payload); `package` must outlive the state.
void bindWorkerPackage(lua_State* L, const WorkerPackage* package);

}  // namespace kavri
