// Window methods for the tree, position, size, title, icon, cursor and showing.
#include <windows.h>

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout.h"
#include "dui/core/shadowed_window.h"
#include "script/control_object.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"

namespace kavri {

namespace {
constexpr UINT kNoZOrderNoSize = SWP_NOZORDER | SWP_NOSIZE;   // 5
}

int windowGetRoot(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  pushControlObject(L, w->window()->root());
  return 1;
}

int windowGetChild(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  // The id map answers only live controls: never a destroyed one.
  pushControlObject(L, w->window()->idMap().find(static_cast<std::int32_t>(argInteger(L, 2))));
  return 1;
}

int windowSetPosition(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  ::SetWindowPos(w->hwnd(), nullptr, static_cast<int>(argInteger(L, 2)), static_cast<int>(argInteger(L, 3)), 0, 0,
                 kNoZOrderNoSize);
  return 0;
}

int windowGetPosition(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  RECT r{};
  ::GetWindowRect(w->hwnd(), &r);
  lua_pushinteger(L, r.left);
  lua_pushinteger(L, r.top);
  return 2;
}

// 50 pixels above the screen's centre; C++ division truncates toward zero.
int windowCenterScreen(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  RECT r{};
  ::GetWindowRect(w->hwnd(), &r);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top) - 100) / 2;
  ::SetWindowPos(w->hwnd(), nullptr, x, y, 0, 0, kNoZOrderNoSize);
  return 0;
}

// Measures and arranges the root ("initSize", or its desired size within
// 1024 x 768), gives the window that size without moving it, and repaints it.
int windowUpdateLayout(lua_State* L) {
  if (LuaWindow* w = LuaWindow::resolve(L)) w->window()->updateLayout();
  return 0;
}

int windowSetIcon(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const WORD id = static_cast<WORD>(argInteger(L, 2) & 0xFFFF);
  // Icons from LoadIconW are shared: nothing to destroy.
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  ::SendMessageW(w->hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(w->hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  return 0;
}

int windowSetTitle(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const std::wstring title = argText(L, 2);
  ::SendMessageW(w->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
  return 0;
}

// Works on any table: the cursor is the thread's, not the window's.
int windowSetCursor(lua_State* L) {
  const WORD id = static_cast<WORD>(argInteger(L, 2) & 0xFFFF);
  ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(id)));
  return 0;
}

int windowShowWindow(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  ::ShowWindow(w->hwnd(), static_cast<int>(argInteger(L, 2)));
  return 0;
}

}  // namespace kavri
