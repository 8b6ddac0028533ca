// The system API's registration point (print to the debugger output).
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "script/script_api.h"
#include "support/debug_log.h"
#include "support/text_convert.h"

namespace kavri {
namespace {

// print(...): the arguments joined by tabs, to the debugger output.
int luaPrint(lua_State* L) {
  std::string line;
  const int n = lua_gettop(L);
  for (int i = 1; i <= n; ++i) {
    size_t length = 0;
    const char* text = luaL_tolstring(L, i, &length);
    if (i > 1) line += '\t';
    line.append(text, length);
    lua_pop(L, 1);
  }
  debugLog(utf8ToWide(line));
  return 0;
}

const luaL_Reg kSystemFunctions[] = {
    {"print", luaPrint},
    {nullptr, nullptr},
};

}  // namespace

void registerSystemApi(lua_State* L) {
  lua_pushglobaltable(L);
  luaL_setfuncs(L, kSystemFunctions, 0);
  lua_pop(L, 1);
}

}  // namespace kavri
