// Script window records: registration, resolving a method's window, and the
// clean-up when a script window is destroyed or the script state closes.
#include "script/lua_window.h"

#include <map>
#include <memory>

#include "dui/core/app_handlers.h"
#include "dui/core/core_plugs.h"
#include "dui/core/framework.h"
#include "dui/core/shadowed_window.h"
#include "script/script_handles.h"
#include "script/script_host.h"

namespace kavri {
namespace {

// Window handle -> record, for the windows createWindow made and that still
// exist. Entries leave on WM_DESTROY, whatever the script's registry says.
std::map<std::uintptr_t, std::unique_ptr<LuaWindow>>& records() {
  static std::map<std::uintptr_t, std::unique_ptr<LuaWindow>> map;
  return map;
}

std::uintptr_t handleOfWindow(const dui::WindowImpl* window) { return addressOf(window); }

// lua_removeWindow and lua_removeTimer for a destroyed window (argument 1:
// its handle); runs protected under the window procedure.
int removeWindowEntries(lua_State* L) {
  ScriptHost::pushRegistryCall(L, "lua_removeWindow", kWindowRegistry);
  lua_pushvalue(L, 1);
  ScriptHost::callRegistry(L, 2, 0);
  ScriptHost::pushRegistryCall(L, "lua_removeTimer", kTimerRegistry);
  lua_pushvalue(L, 1);
  ScriptHost::callRegistry(L, 2, 0);
  return 0;
}

void onWindowDestroyed(dui::WindowImpl* window) {
  auto& map = records();
  auto it = map.find(handleOfWindow(window));
  if (it == map.end()) return;   // not a script window (a shadow, a popup)
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (L && lua_checkstack(L, 8)) {
    const int top = lua_gettop(L);
    lua_pushcfunction(L, removeWindowEntries);
    pushHandle(L, window);
    host.callFromNative(1, 0);
    lua_settop(L, top);
  }
  std::unique_ptr<LuaWindow> record = std::move(it->second);
  map.erase(it);
  record->releaseNative();
}

}  // namespace

HWND LuaWindow::hwnd() const { return window_->hwnd(); }

void LuaWindow::addForwarder() {
  if (forwarding_) return;
  dui::ApplicationHandlers* handlers = dui::applicationHandlers();
  forwarding_ = handlers && handlers->add(dui::Delegate::bindFunction(forwardNotification, window_));
}

void LuaWindow::releaseNative() {
  // The forwarder goes: left behind, it would call into a deleted window at
  // the next notification.
  dui::ApplicationHandlers* handlers = dui::applicationHandlers();
  if (forwarding_ && handlers) handlers->remove(dui::DelegateKey::ofFunction(forwardNotification, window_));
  forwarding_ = false;
  timers_.clear();
}

LuaWindow* LuaWindow::add(dui::ShadowedWindow* window) {
  auto record = std::make_unique<LuaWindow>(window);
  LuaWindow* raw = record.get();
  records()[handleOfWindow(window)] = std::move(record);
  return raw;
}

LuaWindow* LuaWindow::find(std::uintptr_t handle) {
  auto& map = records();
  auto it = map.find(handle);
  return it == map.end() ? nullptr : it->second.get();
}

LuaWindow* LuaWindow::resolveAt(lua_State* L, int index) {
  if (!lua_istable(L, index)) return nullptr;   // only tables are ever registered
  ScriptHost::pushRegistryCall(L, "lua_queryWindowHandle", kWindowRegistry);
  lua_pushvalue(L, index);
  ScriptHost::callRegistry(L, 2, 1);
  const std::uintptr_t handle = handleAt(L, -1);
  lua_pop(L, 1);
  return handle ? find(handle) : nullptr;
}

LuaWindow* LuaWindow::resolve(lua_State* L) { return resolveAt(L, 1); }

void LuaWindow::pushObject(lua_State* L, const dui::WindowImpl* window) {
  if (!window || !find(handleOfWindow(window))) {
    lua_pushnil(L);
    return;
  }
  ScriptHost::pushRegistryCall(L, "lua_queryWindow", kWindowRegistry);
  pushHandle(L, window);
  ScriptHost::callRegistry(L, 2, 1);
}

void LuaWindow::installHooks() {
  dui::CorePlugs plugs = dui::corePlugs();
  plugs.windowDestroyed = &onWindowDestroyed;
  plugs.navigationMessage = &deliverNavigation;
  dui::replaceCorePlugs(plugs);
}

void LuaWindow::releaseAll() {
  for (auto& entry : records()) entry.second->releaseNative();
  records().clear();
}

}  // namespace kavri
