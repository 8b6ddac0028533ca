// createWindow: the script face of top-level windows (windows not yet built).
#include "lua.h"
#include "script/script_api.h"

namespace kavri {

int luaCreateWindow(lua_State*) { return 0; }

}  // namespace kavri
