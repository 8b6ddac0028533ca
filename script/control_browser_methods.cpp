// Extra method of "Control" objects: navigate, which loads an address into a
// WebBrowser. Every other control reporting "Control" answers false.
#include "dui/controls/web_browser.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

// navigate(address): true when the browser took the address; false for an
// address that is not http, https, about or file, a browser that is not
// active, or a control that is not a browser.
int navigate(lua_State* L) {
  dui::Control* control = resolveControl(L);
  if (!control) return 0;
  auto* browser = dynamic_cast<dui::WebBrowser*>(control);
  const bool taken = browser && lua_type(L, 2) == LUA_TSTRING && browser->navigate(argText(L, 2));
  lua_pushboolean(L, taken);
  return 1;
}

}  // namespace

const luaL_Reg kBrowserMethods[] = {{"navigate", guardedCall<navigate>}, {nullptr, nullptr}};

}  // namespace kavri
