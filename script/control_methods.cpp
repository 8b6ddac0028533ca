// The 22 methods every control object carries.
#include "script/control_methods.h"

#include "dui/core/accessible_change.h"
#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "dui/core/host_window.h"
#include "dui/core/window_impl.h"
#include "script/control_object.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"

namespace kavri {
namespace {

using dui::Control;

// Sets or clears a flag the way setEnabled and setVisible do: no change, no
// effect; clearing makes the window forget the control; then a repaint.
// Screen readers hear of it, and a control shown may take the focus (a page).
void changeFlag(Control* control, std::uint32_t mask, bool on) {
  if (control->hasFlag(mask) == on) return;
  control->setFlag(mask, on);
  dui::HostWindow* window = control->window();
  if (!on && window) window->forgetControl(control);
  dui::invalidate(control, false);
  if (mask == dui::flags::Visible) {
    if (on && window) window->controlShown(control);  // tells screen readers too
    else if (!on) dui::announceChange(control, dui::AccessibleChange::Hidden);
  } else {
    dui::announceChange(control, dui::AccessibleChange::State);
  }
}

int getWindow(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  auto* window = dynamic_cast<dui::WindowImpl*>(control->window());
  LuaWindow::pushObject(L, window);
  return 1;
}

template <Control* (Control::*Link)() const>
int getLinked(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  pushControlObject(L, (control->*Link)());
  return 1;
}

template <std::uint32_t Mask>
int getFlag(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  lua_pushboolean(L, control->hasFlag(Mask));
  return 1;
}

template <std::uint32_t Mask>
int setFlag(lua_State* L) {
  Control* control = resolveControl(L);
  if (control) changeFlag(control, Mask, argBoolean(L, 2));
  return 0;
}

int setFocus(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  if (auto* window = dynamic_cast<dui::WindowImpl*>(control->window())) window->setFocus(control);
  return 0;
}

// Sets a text attribute; screen readers hear of a changed name (the text,
// or the name or description given for them).
template <const wchar_t* Key, bool Repaint>
int setTextAttribute(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  const std::wstring text = argText(L, 2);
  const std::wstring* old = control->findString(Key);
  const bool changed = !old || *old != text;
  control->setString(Key, text);
  if (Repaint) dui::invalidate(control, false);
  if (!changed) return 0;
  if (Key == dui::names::text || Key == dui::names::name) dui::announceChange(control, dui::AccessibleChange::Name);
  if (Key == dui::names::description) dui::announceChange(control, dui::AccessibleChange::Description);
  return 0;
}

int repaint(lua_State* L) {
  if (Control* control = resolveControl(L)) dui::invalidate(control, false);
  return 0;
}

int getName(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) {
    lua_pushliteral(L, "nil");
    return 1;
  }
  const wchar_t* name = control->typeName();
  pushWide(L, name ? name : L"");
  return 1;
}

int getText(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  pushWide(L, control->getText());
  return 1;
}

int setColor(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  const lua_Integer color = argInteger(L, 2);
  control->setInt(dui::names::color, static_cast<std::int32_t>(color));
  dui::invalidate(control, false);
  lua_pushinteger(L, color);
  return 1;
}

int flagBit(lua_State* L) {
  const lua_Integer bit = argInteger(L, 2) % 32;
  return static_cast<int>(bit < 0 ? bit + 32 : bit);
}

// The ScriptBound bit belongs to the host: a script clearing it would leave
// its object behind when the control dies, and setting it would fake one.
constexpr int kScriptBoundBit = 18;

int writeFlag(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  const int bit = flagBit(L);
  if (bit != kScriptBoundBit) control->writeFlagBit(bit, argBoolean(L, 3));
  return 0;
}

int readFlag(lua_State* L) {
  Control* control = resolveControl(L);
  if (!control) return 0;
  lua_pushboolean(L, control->readFlagBit(flagBit(L)));
  return 1;
}


}  // namespace

const luaL_Reg kCommonControlMethods[] = {
    {"getWindow", guardedCall<getWindow>},
    {"getParent", guardedCall<getLinked<&Control::parent>>},
    {"getPrevious", guardedCall<getLinked<&Control::previous>>},
    {"getNext", guardedCall<getLinked<&Control::next>>},
    {"getEnabled", guardedCall<getFlag<dui::flags::Enabled>>},
    {"setEnabled", guardedCall<setFlag<dui::flags::Enabled>>},
    {"setVisible", guardedCall<setFlag<dui::flags::Visible>>},
    {"getVisible", guardedCall<getFlag<dui::flags::Visible>>},
    {"setFocus", guardedCall<setFocus>},
    {"setStyle", guardedCall<setTextAttribute<dui::names::style, true>>},
    {"repaint", guardedCall<repaint>},
    {"addHandler", guardedCall<controlAddHandler>},
    {"removeHandler", guardedCall<controlRemoveHandler>},
    {"getName", guardedCall<getName>},
    {"setText", guardedCall<setTextAttribute<dui::names::text, true>>},
    {"getText", guardedCall<getText>},
    {"setToolTip", guardedCall<setTextAttribute<dui::names::tooltip, false>>},
    {"setColor", guardedCall<setColor>},
    {"writeFlag", guardedCall<writeFlag>},
    {"readFlag", guardedCall<readFlag>},
    {"setAccessibleName", guardedCall<setTextAttribute<dui::names::name, false>>},
    {"setAccessibleDescription", guardedCall<setTextAttribute<dui::names::description, false>>},
    {nullptr, nullptr}};

}  // namespace kavri
