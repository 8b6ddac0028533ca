// LuaWindow: the native side of script windows. One record per window made by
// createWindow, keyed by the window's handle (its address): the window, its
// script timers and its notification forwarder.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dui/core/timer.h"
#include "lua.h"

namespace dui {
class Control;
class ShadowedWindow;
class WindowImpl;
struct Event;
}  // namespace dui

namespace kavri {

class LuaWindow {
 public:
  // A script timer: each tick calls lua_onTimer with its handle.
  class LuaWindowTimer : public dui::Timer {
   public:
    LuaWindowTimer(lua_State* state, UINT intervalMs);
    void tick() override;

   private:
    lua_State* state_;
  };

  explicit LuaWindow(dui::ShadowedWindow* window) : window_(window) {}

  dui::ShadowedWindow* window() const { return window_; }
  HWND hwnd() const;
  std::vector<std::unique_ptr<LuaWindowTimer>>& timers() { return timers_; }
  // Registers the window's one notification forwarder; later calls find it
  // there and add nothing, so each notification reaches the handler once.
  void addForwarder();

  // Registers a freshly created script window.
  static LuaWindow* add(dui::ShadowedWindow* window);
  // The record of a window handle, or null.
  static LuaWindow* find(std::uintptr_t handle);
  // Resolves argument 1 of a window method through lua_queryWindowHandle;
  // null when it is not a registered window.
  static LuaWindow* resolve(lua_State* L);
  // Argument `index` as a registered window (showDialog's owner), or null.
  static LuaWindow* resolveAt(lua_State* L, int index);

  // Pushes the script object of a window (lua_queryWindow), nil when none.
  static void pushObject(lua_State* L, const dui::WindowImpl* window);

  // Plugs the window-destruction and navigation hooks into dui/core
  // (CorePlugs::windowDestroyed, navigationMessage). Idempotent.
  static void installHooks();
  // The state is closing: stop every timer and forwarder without calling Lua.
  static void releaseAll();

  // Destroys the timers (which stops them) and removes the forwarder.
  void releaseNative();

 private:

  dui::ShadowedWindow* window_;
  std::vector<std::unique_ptr<LuaWindowTimer>> timers_;   // each stops as it is destroyed
  bool forwarding_ = false;
};

// The window object table: the 17 methods (window_api.cpp) and their parts.
int windowGetRoot(lua_State* L);
int windowGetChild(lua_State* L);
int windowSetPosition(lua_State* L);
int windowGetPosition(lua_State* L);
int windowCenterScreen(lua_State* L);
int windowBrowseForFolder(lua_State* L);
int windowShowDialog(lua_State* L);
int windowEndDialog(lua_State* L);
int windowUpdateLayout(lua_State* L);
int windowSetMessageHandler(lua_State* L);
int windowSetIcon(lua_State* L);
int windowSetTitle(lua_State* L);
int windowSetCursor(lua_State* L);
int windowShowWindow(lua_State* L);
int windowShowMessageBox(lua_State* L);
int windowSetTimer(lua_State* L);
int windowKillTimer(lua_State* L);

// The forwarding delegate's function (window_notify.cpp), for removal.
void forwardNotification(void* window, dui::Control* sender, dui::Event& e);
// A browser in a window reported a navigation (CorePlugs::navigationMessage):
// the window's message handler, if it is a script window with one, gets the
// address (empty for a completed navigation) and the message code.
void deliverNavigation(dui::WindowImpl* window, unsigned message, const wchar_t* address);

}  // namespace kavri
