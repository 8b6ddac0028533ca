// Script timers: LuaWindow::LuaWindowTimer, setTimer and killTimer.
#include <algorithm>
#include <memory>
#include <utility>

#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/script_handles.h"
#include "script/script_host.h"

namespace kavri {

using LuaWindowTimer = LuaWindow::LuaWindowTimer;

LuaWindow::LuaWindowTimer::LuaWindowTimer(lua_State* state, UINT intervalMs)
    : dui::Timer(intervalMs), state_(state) {}

void LuaWindow::LuaWindowTimer::tick() {
  ScriptHost& host = ScriptHost::instance();
  lua_State* L = host.state();
  if (!L || L != state_) return;   // the state it reports to has closed
  if (!lua_checkstack(L, 8)) return;
  // The script function may kill this timer: nothing here touches `this`
  // after the call.
  const int top = lua_gettop(L);
  ScriptHost::pushRegistryCall(L, "lua_onTimer", kTimerRegistry);
  pushHandle(L, this);
  host.callFromNative(2, 0);
  lua_settop(L, top);
}

int windowSetTimer(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const lua_Integer interval = argInteger(L, 2);
  auto timer = std::make_unique<LuaWindowTimer>(ScriptHost::instance().state(),
                                                static_cast<UINT>(interval < 0 ? 0 : interval));
  // Starting ticks once at once; the timer is not in "__timer" yet, so that
  // tick calls nothing and the function first runs one interval later.
  timer->start();
  LuaWindowTimer* raw = timer.get();
  w->timers().push_back(std::move(timer));
  ScriptHost::pushRegistryCall(L, "lua_setTimer", kTimerRegistry);
  pushHandle(L, raw);
  lua_pushvalue(L, 3);
  pushHandle(L, w->window());
  ScriptHost::callRegistry(L, 4, 0);
  pushHandle(L, raw);
  return 1;
}

int windowKillTimer(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const std::uintptr_t handle = handleAt(L, 2);
  auto& timers = w->timers();
  // Only this window's timers: another window's handle is left alone.
  auto it = std::find_if(timers.begin(), timers.end(),
                         [handle](const auto& t) { return addressOf(t.get()) == handle; });
  if (it != timers.end()) timers.erase(it);   // destroying the timer stops it
  // The handle goes back exactly as setTimer stored it: all of its bits, so
  // the entry is found on 64-bit Windows too.
  ScriptHost::pushRegistryCall(L, "lua_killTimer", kTimerRegistry);
  pushHandle(L, reinterpret_cast<const void*>(handle));
  pushHandle(L, w->window());
  ScriptHost::callRegistry(L, 3, 0);
  return 0;
}

}  // namespace kavri
