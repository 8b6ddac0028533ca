// Registration of the system script API.
#include "system_api.h"

#include "script/script_api.h"
#include "script/system_api_modules.h"

namespace kavri {

void registerGlobals(lua_State* L, const luaL_Reg* functions) {
  lua_pushglobaltable(L);
  luaL_setfuncs(L, functions, 0);
  lua_pop(L, 1);
}

void registerSystemApi(lua_State* L) {
  registerFileApi(L);
  registerFileContentApi(L);
  registerRegistryApi(L);
  registerShellApi(L);
  registerProcessApi(L);
  registerMiscApi(L);
  registerPackageApi(L);
  registerJsonApi(L);
  registerElevatedApi(L);
}

}  // namespace kavri
