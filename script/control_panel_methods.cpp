// Extra methods of "Panel" objects: the child list.
#include "dui/core/panel.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

dui::Panel* resolvePanel(lua_State* L) {
  dui::Control* control = resolveControl(L);
  return control ? control->asPanel() : nullptr;
}

int getFirstChild(lua_State* L) {
  dui::Panel* panel = resolvePanel(L);
  if (!panel) return 0;
  pushControlObject(L, panel->firstChild());
  return 1;
}

int getLastChild(lua_State* L) {
  dui::Panel* panel = resolvePanel(L);
  if (!panel) return 0;
  pushControlObject(L, panel->lastChild());
  return 1;
}

// Index 0 is the first child; past the end gives nil; a negative index gives
// the first child.
int getChild(lua_State* L) {
  dui::Panel* panel = resolvePanel(L);
  if (!panel) return 0;
  const lua_Integer index = argInteger(L, 2);
  pushControlObject(L, panel->childAt(index < 0 ? 0 : static_cast<std::int32_t>(index)));
  return 1;
}

}  // namespace

const luaL_Reg kPanelMethods[] = {{"getFirstChild", guardedCall<getFirstChild>},
                                  {"getLastChild", guardedCall<getLastChild>},
                                  {"getChild", guardedCall<getChild>},
                                  {nullptr, nullptr}};

}  // namespace kavri
