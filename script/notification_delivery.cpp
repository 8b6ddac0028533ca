// Background notifications reaching the UI script's message handlers.
#include "notification_delivery.h"

#include "lauxlib.h"
#include "lua.h"
#include "script/script_host.h"
#include "support/debug_log.h"

namespace kavri {
namespace {

struct Delivery {
  const char* text;
  int answer = 0;
};

// Protected body (argument 1: the Delivery). Takes a snapshot of the window
// objects that have a handler first, so a handler that adds or removes
// windows does not make the walk skip or repeat one.
int deliverInState(lua_State* L) {
  auto* delivery = static_cast<Delivery*>(lua_touserdata(L, 1));
  lua_getfield(L, LUA_REGISTRYINDEX, kWindowRegistry);
  if (!lua_istable(L, -1)) return 0;
  const int windows = lua_gettop(L);
  lua_newtable(L);
  const int targets = lua_gettop(L);
  int count = 0;
  const int entries = int(lua_rawlen(L, windows));
  for (int i = 1; i <= entries; ++i) {
    lua_rawgeti(L, windows, i);
    if (lua_istable(L, -1)) {
      lua_rawgeti(L, -1, 3);   // message handler
      const bool hasHandler = !lua_isnil(L, -1);
      lua_pop(L, 1);
      if (hasHandler) {
        lua_rawgeti(L, -1, 1);   // window object
        lua_rawseti(L, targets, ++count);
      }
    }
    lua_pop(L, 1);
  }
  for (int i = 1; i <= count; ++i) {
    ScriptHost::pushRegistryCall(L, "lua_invokeMessageHandler", kWindowRegistry);
    lua_rawgeti(L, targets, i);
    lua_pushstring(L, delivery->text);   // copied: the worker's text stays its own
    ScriptHost::callRegistry(L, 3, 1);
    int isNumber = 0;
    const lua_Integer answer = lua_tointegerx(L, -1, &isNumber);
    delivery->answer = isNumber ? int(answer) : 0;
    lua_pop(L, 1);
  }
  return 0;
}

}  // namespace

int deliverNotification(const char* utf8Text) noexcept {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || host.hasPendingError()) return 0;
  if (!lua_checkstack(L, 2)) return 0;
  Delivery delivery{utf8Text};
  const int top = lua_gettop(L);
  lua_pushcfunction(L, deliverInState);
  lua_pushlightuserdata(L, &delivery);
  const bool ok = host.callFromNative(1, 0);
  lua_settop(L, top);
  if (!ok) {
    debugLog(L"notification: the message handler failed; answered 0");
    return 0;
  }
  return delivery.answer;
}

}  // namespace kavri
