// Window methods that run a message loop: the modal run (showDialog and
// endDialog), the folder browser and the message box.
#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "dui/core/shadowed_window.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/script_host.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {

namespace {
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;   // 65
}  // namespace

int windowShowDialog(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  dui::ShadowedWindow* window = w->window();
  // One modal run per window at a time.
  if (window->inModalRun()) return 0;
  HWND owner = nullptr;
  if (lua_gettop(L) >= 2)
    if (LuaWindow* ownerRecord = LuaWindow::resolveAt(L, 2)) owner = ownerRecord->hwnd();
  if (owner == w->hwnd()) owner = nullptr;   // a window cannot own (and disable) itself
  // The run destroys the window: `w` and `window` are gone afterwards.
  const std::int32_t result = window->runModal(owner);
  ScriptHost::instance().raisePendingError(L);
  lua_pushinteger(L, result);
  return 1;
}

int windowEndDialog(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  w->window()->endModal(static_cast<std::int32_t>(argInteger(L, 2)));
  return 0;
}

int windowBrowseForFolder(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const std::wstring title = argText(L, 2);
  BROWSEINFOW info{};
  info.hwndOwner = w->hwnd();
  info.lpszTitle = title.c_str();
  info.ulFlags = kBrowseFlags;
  UniqueCoTaskMem<ITEMIDLIST> item(::SHBrowseForFolderW(&info));
  ScriptHost::instance().raisePendingError(L);
  if (!item) return 0;   // cancelled
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(item.get(), path)) return 0;   // a folder without a file-system path
  pushWide(L, path);
  return 1;
}

int windowShowMessageBox(lua_State* L) {
  LuaWindow* w = LuaWindow::resolve(L);
  if (!w) return 0;
  const std::wstring text = argText(L, 2);
  const std::wstring caption = argText(L, 3);
  const UINT type = static_cast<UINT>(argInteger(L, 4));
  const int button = systemSeam().messageBox(w->hwnd(), text.c_str(), caption.c_str(), type);
  ScriptHost::instance().raisePendingError(L);
  lua_pushinteger(L, button);
  return 1;
}

}  // namespace kavri
