// What the script's JSON functions need from the rest of the program, for
// their native test: the global registration and the debugger log.
#include <string>

#include "lauxlib.h"
#include "lua.h"

namespace kavri {

void debugLog(const std::wstring&) {}
void debugLogf(const wchar_t*, ...) {}

void registerGlobals(lua_State* L, const luaL_Reg* functions) {
  lua_pushglobaltable(L);
  luaL_setfuncs(L, functions, 0);
  lua_pop(L, 1);
}

}  // namespace kavri
