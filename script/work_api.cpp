// startWork: background work on a worker thread (not yet built).
#include "lua.h"
#include "script/script_api.h"

namespace kavri {

int luaStartWork(lua_State* L) {
  lua_pushboolean(L, 0);
  return 1;
}

}  // namespace kavri
