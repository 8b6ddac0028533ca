// setMessageHandler: the window's script function for application
// notifications (code 1024) and the forwarding delegate that calls it, and
// for the navigation messages of a browser in the window (1126, 1127).
#include "dui/core/event.h"
#include "dui/core/shadowed_window.h"
#include "script/script_handles.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/script_host.h"
#include "support/text_convert.h"

namespace kavri {
namespace {

// The window's handler called with a text and the message code.
struct HandlerCall {
  dui::WindowImpl* window;
  const char* text;   // UTF-8; null reaches the script as nil
  lua_Integer code;   // 1024 for a notification, 1126 or 1127 for a navigation
};

// Runs protected: argument 1 is the HandlerCall; answers the handler's result.
int invokeMessageHandler(lua_State* L) {
  const auto* call = static_cast<const HandlerCall*>(lua_touserdata(L, 1));
  ScriptHost::pushRegistryCall(L, "lua_invokeMessageHandler", kWindowRegistry);
  LuaWindow::pushObject(L, call->window);
  lua_pushstring(L, call->text);
  lua_pushinteger(L, call->code);
  ScriptHost::callRegistry(L, 4, 1);
  return 1;
}

// Calls the window's message handler, protected (an error is kept pending).
// Its answer goes to `answer`, when given: 0 for a non-number or an error.
// Nothing is called, nor answered, while the state is closed.
void callMessageHandler(dui::WindowImpl* window, const char* text, lua_Integer code, std::intptr_t* answer) {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return;
  const int top = lua_gettop(L);
  HandlerCall call{window, text, code};
  lua_pushcfunction(L, invokeMessageHandler);
  lua_pushlightuserdata(L, &call);
  host.callFromNative(1, 1);
  if (answer) *answer = static_cast<std::intptr_t>(argInteger(L, -1));   // non-numbers give 0
  lua_settop(L, top);
}

}  // namespace

void deliverNavigation(dui::WindowImpl* window, unsigned message, const wchar_t* address) {
  if (!window || !LuaWindow::find(addressOf(window))) return;   // not a script window
  const std::string text = wideToUtf8(address ? address : L"");
  callMessageHandler(window, text.c_str(), static_cast<lua_Integer>(message), nullptr);
}

void forwardNotification(void* window, dui::Control*, dui::Event& e) {
  callMessageHandler(static_cast<dui::WindowImpl*>(static_cast<dui::ShadowedWindow*>(window)),
                     reinterpret_cast<const char*>(e.wparam), dui::events::AppNotify, &e.lparam);
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
