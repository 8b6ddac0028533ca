// The globals a Lua test script gets from the harness: check, checkEqual,
// expectError and the `test` table that drives windows and controls.
#pragma once

#include "lua.h"
#include "tests/script/lua_harness/lua_harness.h"

namespace kavri::test {

// Registers the globals in `L`; results are collected into `result`, which
// must outlive the state.
void registerHarnessApi(lua_State* L, LuaRunResult* result);

}  // namespace kavri::test
