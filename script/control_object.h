// Control objects: the one Lua table per native control that scripts hold,
// made on first use and dropped when the control dies.
#pragma once

#include "lua.h"

namespace dui {
class Control;
}

namespace kavri {

// Pushes the control's object (creating and registering it on first use, which
// sets ScriptBound); nil for null. Calls the registry helpers unprotected.
void pushControlObject(lua_State* L, dui::Control* control);

// The live control behind argument 1 of a control method, or null when the
// argument is not a registered control object (or its control has died).
dui::Control* resolveControl(lua_State* L);
// The same as a T (a control class): null also when the control is not one.
template <class T>
T* resolveAs(lua_State* L) {
  return dynamic_cast<T*>(resolveControl(L));
}

// Whether a script object currently refers to this control.
bool isScriptBound(const dui::Control* control);

// Plugs the control-destruction hook (lua_removeControl) into dui/core
// (CorePlugs::controlForgotten). Idempotent.
void installControlObjectHooks();
// The state is closing: forget every binding without calling into Lua.
void releaseControlObjects();

}  // namespace kavri
