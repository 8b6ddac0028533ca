// Extra methods of "Button" objects: the checked state.
#include "dui/controls/button.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

// The checked-state setter: a change raises ValueChange (direct, parameters
// 0) and repaints; setting the current state does nothing. Buttons do it
// themselves; another control reporting "Button" gets the same behaviour.
void setChecked(dui::Control* control, bool on) {
  if (auto* button = dynamic_cast<dui::Button*>(control)) {
    button->setChecked(on);
    return;
  }
  if (control->hasFlag(dui::flags::Checked) == on) return;
  control->setFlag(dui::flags::Checked, on);
  dui::Event e = dui::makeEvent(dui::events::ValueChange);
  e.routing = dui::Routing::Direct;
  dui::raiseEvent(control, e);
  dui::invalidate(control, false);
}

int setCheck(lua_State* L) {
  if (dui::Control* control = resolveControl(L)) setChecked(control, argBoolean(L, 2));
  return 0;
}

int getCheck(lua_State* L) {
  dui::Control* control = resolveControl(L);
  if (!control) return 0;
  lua_pushboolean(L, control->hasFlag(dui::flags::Checked));
  return 1;
}

}  // namespace

const luaL_Reg kButtonMethods[] = {{"setCheck", guardedCall<setCheck>},
                                   {"getCheck", guardedCall<getCheck>},
                                   {nullptr, nullptr}};

}  // namespace kavri
