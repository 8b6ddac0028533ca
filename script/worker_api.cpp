// The worker state's own globals, notifyMessage and extractFile: a binding of
// LuaWork::notify and of the worker's PayloadExtractor, every entry behind the
// exception guard.
#include "lauxlib.h"
#include "lua.h"
#include "package/payload_extractor.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"

namespace kavri {
namespace {

// notifyMessage(text) -> the UI script's answer (0 when nobody answered).
int notifyMessage(lua_State* L) {
  // The text stays on this frozen stack while the worker waits.
  const char* text = lua_tolstring(L, 1, nullptr);
  const int answer = LuaWork::notify(text);
  lua_pushinteger(L, answer);
  return 1;
}

// extractFile(entry name, destination path) -> true when the file was written
// completely, else false and the Windows error number (0: the entry is
// missing or damaged). Upvalue 1: the worker's PayloadExtractor.
int extractFile(lua_State* L) {
  auto* extractor = static_cast<PayloadExtractor*>(lua_touserdata(L, lua_upvalueindex(1)));
  const PayloadExtractor::Result result =
      extractor ? extractor->extract(argText(L, 1), argText(L, 2)) : PayloadExtractor::Result{false, 0};
  lua_pushboolean(L, result.written);
  if (result.written) return 1;
  lua_pushnumber(L, lua_Number(result.error));
  return 2;
}

const luaL_Reg kWorkerFunctions[] = {
    {"notifyMessage", guardedCall<notifyMessage>},
    {"extractFile", guardedCall<extractFile>},
    {nullptr, nullptr},
};

}  // namespace

void LuaWork::registerWorkerApi(lua_State* L, PayloadExtractor* extractor) {
  lua_pushglobaltable(L);
  lua_pushlightuserdata(L, extractor);   // upvalue 1 of each (notifyMessage ignores it)
  luaL_setfuncs(L, kWorkerFunctions, 1);
  lua_pop(L, 1);
}

}  // namespace kavri
