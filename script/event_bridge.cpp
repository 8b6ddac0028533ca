// The event bridge: script handlers of a control and event code hang off one
// native delegate per control and code, which hands each delivery to
// lua_invokeHandlers.
#include "dui/core/control.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"
#include "script/script_host.h"

namespace kavri {
namespace {

using dui::Control;
using dui::Event;

struct BridgeCall {
  Control* target;
  Event* event;
};

// Pushes the dispatcher table of the object at `object`.
void pushDispatcher(lua_State* L, int object) {
  ScriptHost::pushRegistryCall(L, "lua_queryControlDispatcher", kControlRegistry);
  lua_pushvalue(L, object);
  ScriptHost::callRegistry(L, 2, 1);
}

// Runs protected under native delivery: argument 1 is the BridgeCall.
int invokeScriptHandlers(lua_State* L) {
  const auto* call = static_cast<const BridgeCall*>(lua_touserdata(L, 1));
  pushControlObject(L, call->target);  // the control the handlers were added to
  const int object = lua_gettop(L);
  lua_getglobal(L, "lua_invokeHandlers");
  pushDispatcher(L, object);
  lua_pushvalue(L, object);
  lua_pushinteger(L, static_cast<std::int32_t>(call->event->msg));
  lua_pushinteger(L, static_cast<std::int32_t>(call->event->wparam));
  lua_pushinteger(L, static_cast<std::int32_t>(call->event->lparam));
  ScriptHost::callRegistry(L, 5, 1);
  return 1;
}

// The bridge delegate's function; its target is the control itself.
void eventBridge(void* target, Control*, Event& e) {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return;
  const int top = lua_gettop(L);
  BridgeCall call{static_cast<Control*>(target), &e};
  lua_pushcfunction(L, invokeScriptHandlers);
  lua_pushlightuserdata(L, &call);
  host.callFromNative(1, 1);
  e.handled = lua_toboolean(L, -1) ? 1 : 0;
  lua_settop(L, top);
}

std::uint32_t codeArgument(lua_State* L) { return static_cast<std::uint32_t>(argInteger(L, 2)); }

// Calls the dispatcher helper `function`(dispatcher, code, handler) and
// answers its result's truth.
bool callHandlerHelper(lua_State* L, const char* function) {
  pushDispatcher(L, 1);
  const int dispatcher = lua_gettop(L);
  lua_getglobal(L, function);
  lua_pushvalue(L, dispatcher);
  lua_pushinteger(L, static_cast<lua_Integer>(static_cast<std::int32_t>(codeArgument(L))));
  lua_pushvalue(L, 3);
  ScriptHost::callRegistry(L, 3, 1);
  const bool result = lua_toboolean(L, -1) != 0;
  lua_pop(L, 2);
  return result;
}

}  // namespace

int controlAddHandler(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  // Only the first handler of a code subscribes the bridge; later ones just
  // extend the script's list.
  if (callHandlerHelper(L, "lua_addHandler"))
    control->addHandler(codeArgument(L), dui::Delegate::bindFunction(eventBridge, control));
  return 0;
}

int controlRemoveHandler(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  // The last handler of the code gone (or none there): unsubscribe the bridge.
  if (callHandlerHelper(L, "lua_removeHandler"))
    control->removeHandler(codeArgument(L), dui::DelegateKey::ofFunction(eventBridge, control));
  return 0;
}

}  // namespace kavri
