// Control objects: creation on first use, resolution of a method's object,
// and removal when the native control dies.
#include "script/control_object.h"

#include <cwchar>
#include <unordered_map>

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/core_plugs.h"
#include "lauxlib.h"
#include "script/control_methods.h"
#include "script/script_handles.h"
#include "script/script_host.h"
#include "support/debug_log.h"

namespace kavri {
namespace {

// Controls that have a script object, with their serial: the native side's own
// record, so a stale registry entry (one whose removal a pending script error
// skipped) never leads to a dead control.
std::unordered_map<const dui::Control*, std::uint32_t>& boundControls() {
  static std::unordered_map<const dui::Control*, std::uint32_t> bound;
  return bound;
}

void setMethods(lua_State* L, const luaL_Reg* methods) {
  for (const luaL_Reg* m = methods; m->name; ++m) {
    lua_pushcfunction(L, m->func);
    lua_setfield(L, -2, m->name);
  }
}

const luaL_Reg* typeMethods(const dui::Control* control) {
  const wchar_t* name = control->typeName();
  if (!name) return nullptr;
  for (int i = 0; i < kControlTypeMethodCount; ++i)
    if (std::wcscmp(kControlTypeMethods[i].typeName, name) == 0) return kControlTypeMethods[i].methods;
  return nullptr;
}

// lua_removeControl for a dying control, from its destructor (native code):
// runs protected, so an error in the script's helper cannot cross the
// destructor.
int removeControlEntry(lua_State* L) {
  ScriptHost::pushRegistryCall(L, "lua_removeControl", kControlRegistry);
  lua_pushvalue(L, 1);
  ScriptHost::callRegistry(L, 2, 0);
  return 0;
}

void forgetControl(dui::Control* control) {
  boundControls().erase(control);
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || !lua_checkstack(L, 8)) return;
  const int top = lua_gettop(L);
  lua_pushcfunction(L, removeControlEntry);
  pushHandle(L, control);
  host.callFromNative(1, 0);
  lua_settop(L, top);
}

}  // namespace

bool isScriptBound(const dui::Control* control) {
  auto& bound = boundControls();
  auto it = bound.find(control);
  return it != bound.end() && dui::controlExists(control, it->second);
}

void pushControlObject(lua_State* L, dui::Control* control) {
  if (!control) {
    lua_pushnil(L);
    return;
  }
  // A control without a binding has no object, whatever an old registry entry
  // at the same address may say.
  if (isScriptBound(control)) {
    ScriptHost::pushRegistryCall(L, "lua_queryControl", kControlRegistry);
    pushHandle(L, control);
    ScriptHost::callRegistry(L, 2, 1);
    if (!lua_isnil(L, -1)) return;
    lua_pop(L, 1);
  }
  lua_newtable(L);
  setMethods(L, kCommonControlMethods);
  if (const luaL_Reg* extra = typeMethods(control)) setMethods(L, extra);
  if (const luaL_Reg* choice = choiceMethods(control)) setMethods(L, choice);
  if (const luaL_Reg* value = valueMethods(control)) setMethods(L, value);

  const int object = lua_gettop(L);
  ScriptHost::pushRegistryCall(L, "lua_addControl", kControlRegistry);
  lua_pushvalue(L, object);
  pushHandle(L, control);
  ScriptHost::callRegistry(L, 3, 0);
  boundControls()[control] = control->serial();
  control->setFlag(dui::flags::ScriptBound, true);
}

dui::Control* resolveControl(lua_State* L) {
  if (!lua_istable(L, 1)) return nullptr;   // only tables are ever registered
  ScriptHost::pushRegistryCall(L, "lua_queryControlHandle", kControlRegistry);
  lua_pushvalue(L, 1);
  ScriptHost::callRegistry(L, 2, 1);
  const std::uintptr_t handle = handleAt(L, -1);
  lua_pop(L, 1);
  if (!handle) return nullptr;
  auto* control = reinterpret_cast<dui::Control*>(handle);
  return isScriptBound(control) ? control : nullptr;
}

void installControlObjectHooks() {
  dui::CorePlugs plugs = dui::corePlugs();
  plugs.controlForgotten = &forgetControl;
  dui::replaceCorePlugs(plugs);
}

void releaseControlObjects() {
  for (auto& entry : boundControls()) {
    if (dui::controlExists(entry.first, entry.second))
      const_cast<dui::Control*>(entry.first)->setFlag(dui::flags::ScriptBound, false);
  }
  boundControls().clear();
}

}  // namespace kavri
