// createWindow: a script window from a layout file, and its object table.
#include <memory>

#include "dui/core/control.h"
#include "dui/core/shadowed_window.h"
#include "dui/markup/layout_loader.h"
#include "lauxlib.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/packaged_script.h"
#include "script/script_api.h"
#include "script/script_handles.h"
#include "script/script_host.h"

namespace kavri {
namespace {

constexpr DWORD kDefaultWindowStyle = 0x80000000;   // WS_POPUP

const luaL_Reg kWindowMethods[] = {
    {"getRoot", guardedCall<windowGetRoot>},
    {"getChild", guardedCall<windowGetChild>},
    {"setPosition", guardedCall<windowSetPosition>},
    {"getPosition", guardedCall<windowGetPosition>},
    {"centerScreen", guardedCall<windowCenterScreen>},
    {"browseForFolder", guardedCall<windowBrowseForFolder>},
    {"showDialog", guardedCall<windowShowDialog>},
    {"endDialog", guardedCall<windowEndDialog>},
    {"updateLayout", guardedCall<windowUpdateLayout>},
    {"setMessageHandler", guardedCall<windowSetMessageHandler>},
    {"setIcon", guardedCall<windowSetIcon>},
    {"setTitle", guardedCall<windowSetTitle>},
    {"setCursor", guardedCall<windowSetCursor>},
    {"showWindow", guardedCall<windowShowWindow>},
    {"showMessageBox", guardedCall<windowShowMessageBox>},
    {"setTimer", guardedCall<windowSetTimer>},
    {"killTimer", guardedCall<windowKillTimer>},
    {nullptr, nullptr}};

int createWindow(lua_State* L) {
  const DWORD style = lua_gettop(L) < 2 ? kDefaultWindowStyle : static_cast<DWORD>(argInteger(L, 2));
  const std::wstring layout = argText(L, 1);
  // A layout the open package lacks or cannot build is the author's mistake:
  // say so, and answer nothing rather than an empty, invisible window.
  std::unique_ptr<dui::Control> root;
  if (dui::layoutLoader().isOpen()) {
    std::wstring error;
    root = dui::layoutLoader().load(layout, &error);
    if (!root) {
      reportScriptError(L"createWindow: " + error);
      return 0;
    }
  }
  auto* window = new dui::ShadowedWindow(layout);
  if (root) window->setRoot(root.release());
  // The layout is loaded and attached while the window is created. On
  // failure create() has deleted the object: no window, no object.
  if (!window->create(0, style, 0, 0, 0, 0, nullptr)) {
    debugLog(L"createWindow: the window for \"" + layout + L"\" could not be created");
    return 0;
  }
  LuaWindow::add(window);
  lua_newtable(L);
  luaL_setfuncs(L, kWindowMethods, 0);
  const int object = lua_gettop(L);
  ScriptHost::pushRegistryCall(L, "lua_addWindow", kWindowRegistry);
  lua_pushvalue(L, object);
  pushHandle(L, window);
  ScriptHost::callRegistry(L, 3, 0);
  lua_settop(L, object);
  return 1;
}

}  // namespace

int luaCreateWindow(lua_State* L) { return guardedCall<createWindow>(L); }

}  // namespace kavri
