// setMessageHandler: the window's script function for application
// notifications (code 1024) and the forwarding delegate that calls it, and
// for the navigation messages of a browser in the window (1126, 1127).
#include "dui/core/event.h"
#include "dui/core/shadowed_window.h"
#include "script/script_handles.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/script_host.h"

namespace kavri {
namespace {

struct ForwardCall {
  dui::WindowImpl* window;
  dui::Event* event;
};

// Runs protected under the notification: argument 1 is the ForwardCall.
int invokeMessageHandler(lua_State* L) {
  const auto* call = static_cast<const ForwardCall*>(lua_touserdata(L, 1));
  ScriptHost::pushRegistryCall(L, "lua_invokeMessageHandler", kWindowRegistry);
  LuaWindow::pushObject(L, call->window);
  const char* text = reinterpret_cast<const char*>(call->event->wparam);
  lua_pushstring(L, text);   // a null text reaches the script as nil
  lua_pushinteger(L, dui::events::AppNotify);
  ScriptHost::callRegistry(L, 4, 1);
  return 1;
}

struct NavigationCall {
  dui::WindowImpl* window;
  unsigned message;
  const wchar_t* address;
};

// Runs protected under the browser's report: argument 1 is the NavigationCall.
int invokeNavigationHandler(lua_State* L) {
  const auto* call = static_cast<const NavigationCall*>(lua_touserdata(L, 1));
  ScriptHost::pushRegistryCall(L, "lua_invokeMessageHandler", kWindowRegistry);
  LuaWindow::pushObject(L, call->window);
  pushWide(L, call->address);
  lua_pushinteger(L, static_cast<lua_Integer>(call->message));
  ScriptHost::callRegistry(L, 4, 0);
  return 0;
}

}  // namespace

void deliverNavigation(dui::WindowImpl* window, unsigned message, const wchar_t* address) {
  if (!window || !LuaWindow::find(addressOf(window))) return;   // not a script window
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return;
  const int top = lua_gettop(L);
  NavigationCall call{window, message, address ? address : L""};
  lua_pushcfunction(L, invokeNavigationHandler);
  lua_pushlightuserdata(L, &call);
  host.callFromNative(1, 0);
  lua_settop(L, top);
}

void forwardNotification(void* window, dui::Control*, dui::Event& e) {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return;
  const int top = lua_gettop(L);
  ForwardCall call{static_cast<dui::WindowImpl*>(static_cast<dui::ShadowedWindow*>(window)), &e};
  lua_pushcfunction(L, invokeMessageHandler);
  lua_pushlightuserdata(L, &call);
  host.callFromNative(1, 1);
  e.lparam = static_cast<std::intptr_t>(argInteger(L, -1));   // non-numbers give 0
  lua_settop(L, top);
}

int windowSetMessageHandler(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  ScriptHost::pushRegistryCall(L, "lua_setMessageHandler", kWindowRegistry);
  lua_pushvalue(L, 1);
  lua_pushvalue(L, 2);
  ScriptHost::callRegistry(L, 3, 0);
  // The stored function is replaced; the window keeps its one forwarder, so
  // each notification runs the latest function once.
  w->addForwarder();
  return 0;
}

}  // namespace kavri
