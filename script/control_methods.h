// The method tables of control objects: the common set every object gets and,
// by the control's type name, one extra set.
#pragma once

#include "lauxlib.h"

namespace dui {
class Control;
}

namespace kavri {

// The 22 methods of every control object (ends with a null entry).
extern const luaL_Reg kCommonControlMethods[];

// Extra methods of one type name; they replace common methods of the same name.
struct ControlTypeMethods {
  const wchar_t* typeName;
  const luaL_Reg* methods;  // ends with a null entry
};
// The extra sets, in matching order: the first type name equal to the
// control's decides. A name matching none gets no extras.
extern const ControlTypeMethods kControlTypeMethods[];
extern const int kControlTypeMethodCount;

// Per-type tables (control_panel_methods.cpp, ...).
extern const luaL_Reg kPanelMethods[];
extern const luaL_Reg kButtonMethods[];
extern const luaL_Reg kTextBoxMethods[];
extern const luaL_Reg kEditMethods[];
extern const luaL_Reg kBrowserMethods[];  // navigate, for WebBrowser (type name "Control")

// The choice methods of list boxes and combo boxes (whose type names,
// "Panel" and "Control", they share with others), or nullptr for any other
// control; set after the type's own (control_choice_methods.cpp).
const luaL_Reg* choiceMethods(const dui::Control* control);
extern const luaL_Reg kPowerPointMethods[];
// setRange, getRange, setValue, getValue and setPosition (control_value_methods.cpp).
extern const luaL_Reg kProgressBarMethods[];
// The value methods of sliders (type name "Control"), or nullptr for any
// other control; set after the type's own (control_value_methods.cpp).
const luaL_Reg* valueMethods(const dui::Control* control);

// addHandler and removeHandler (event_bridge.cpp).
int controlAddHandler(lua_State* L);
int controlRemoveHandler(lua_State* L);

}  // namespace kavri
