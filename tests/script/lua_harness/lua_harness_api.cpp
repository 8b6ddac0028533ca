// Harness globals: assertions collected for GoogleTest, and the `test` table
// that sends real window messages, raises events and builds small trees.
#include "tests/script/lua_harness/lua_harness_api.h"

#include <windows.h>

#include <string>

#include "dui/core/app_handlers.h"
#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/framework.h"
#include "dui/core/panel.h"
#include "dui/core/shadowed_window.h"
#include "lauxlib.h"
#include "script/control_object.h"
#include "script/lua_convert.h"
#include "script/lua_window.h"
#include "script/notification_delivery.h"
#include "script/script_host.h"
#include "tests/script/lua_harness/high_addresses.h"
#include "tests/script/lua_test_state.h"

namespace kavri::test {
namespace {

const char kResultKey[] = "kavri.harness.result";

LuaRunResult* resultOf(lua_State* L) {
  lua_getfield(L, LUA_REGISTRYINDEX, kResultKey);
  auto* result = static_cast<LuaRunResult*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  return result;
}

int callerLine(lua_State* L) {
  lua_Debug ar;
  if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "l", &ar)) return ar.currentline;
  return 0;
}

std::string describe(lua_State* L, int index) {
  if (lua_type(L, index) == LUA_TSTRING) return std::string("\"") + lua_tostring(L, index) + "\"";
  if (lua_type(L, index) == LUA_TNUMBER || lua_type(L, index) == LUA_TBOOLEAN || lua_isnoneornil(L, index)) {
    luaL_tolstring(L, index, nullptr);
    std::string text = lua_tostring(L, -1);
    lua_pop(L, 1);
    return text;
  }
  return luaL_typename(L, index);
}

void record(lua_State* L, bool passed, std::string name) {
  if (LuaRunResult* result = resultOf(L)) result->checks.push_back({passed, std::move(name), callerLine(L)});
}

// check(condition, name)
int check(lua_State* L) {
  record(L, lua_toboolean(L, 1) != 0, luaL_optstring(L, 2, "check"));
  return 0;
}

// checkEqual(actual, expected, name): raw equality, so nil, numbers, strings
// and the identity of tables all compare.
int checkEqual(lua_State* L) {
  lua_settop(L, 3);
  const bool equal = lua_rawequal(L, 1, 2) != 0;
  std::string name = luaL_optstring(L, 3, "checkEqual");
  if (!equal) name += ": expected " + describe(L, 2) + ", got " + describe(L, 1);
  record(L, equal, std::move(name));
  return 0;
}

// expectError(fragment): the run must end with one script error containing it.
int expectError(lua_State* L) {
  if (LuaRunResult* result = resultOf(L)) {
    result->expectsError = true;
    result->expectedError = luaL_checkstring(L, 1);
  }
  return 0;
}

HWND hwndOf(lua_State* L, int index) {
  LuaWindow* w = LuaWindow::resolveAt(L, index);
  return w ? w->hwnd() : nullptr;
}

// test.send(window, message, wparam, lparam) -> result
int send(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  if (!hwnd) return luaL_error(L, "test.send: not a window object");
  lua_pushinteger(L, static_cast<lua_Integer>(::SendMessageW(hwnd, static_cast<UINT>(argInteger(L, 2)),
                                                            static_cast<WPARAM>(argInteger(L, 3)),
                                                            static_cast<LPARAM>(argInteger(L, 4)))));
  return 1;
}

// test.post(window, message, wparam, lparam)
int post(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  if (!hwnd) return luaL_error(L, "test.post: not a window object");
  ::PostMessageW(hwnd, static_cast<UINT>(argInteger(L, 2)), static_cast<WPARAM>(argInteger(L, 3)),
                 static_cast<LPARAM>(argInteger(L, 4)));
  return 0;
}

// test.click(window, x, y): the real cursor moved to a client point, then a
// move, a left press and a release sent there (buttons compare the cursor
// with their rectangle at the release).
int click(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  if (!hwnd) return luaL_error(L, "test.click: not a window object");
  POINT p{static_cast<LONG>(argInteger(L, 2)), static_cast<LONG>(argInteger(L, 3))};
  ::ClientToScreen(hwnd, &p);
  ::SetCursorPos(p.x, p.y);
  const LPARAM at = MAKELPARAM(argInteger(L, 2), argInteger(L, 3));
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
  return 0;
}

// test.cursorTo(window, x, y): moves the real cursor to a client point.
int cursorTo(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  if (!hwnd) return luaL_error(L, "test.cursorTo: not a window object");
  POINT p{static_cast<LONG>(argInteger(L, 2)), static_cast<LONG>(argInteger(L, 3))};
  ::ClientToScreen(hwnd, &p);
  ::SetCursorPos(p.x, p.y);
  return 0;
}

// test.pump(): runs the messages already queued (deferred events included).
int pump(lua_State* L) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {   // leave it for the loop that owns it
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ScriptHost::instance().raisePendingError(L);
  return 0;
}

// test.notify(text) -> the answer a background notification gets: the
// application message 1024 through the forwarders of setMessageHandler.
int notify(lua_State* L) {
  lua_pushinteger(L, deliverNotification(lua_tostring(L, 1)));
  return 1;
}

dui::Control* controlArg(lua_State* L, int index, const char* what) {
  lua_pushvalue(L, index);
  lua_replace(L, 1);   // resolveControl looks at argument 1
  dui::Control* control = resolveControl(L);
  if (!control) luaL_error(L, "%s: not a live control object", what);
  return control;
}

dui::Control* appendChild(lua_State* L, const char* what) {
  const std::string kind = luaL_checkstring(L, 2);
  const bool withId = !lua_isnoneornil(L, 3);
  const auto id = static_cast<std::int32_t>(argInteger(L, 3));
  dui::Control* parent = controlArg(L, 1, what);
  if (!parent->asPanel()) luaL_error(L, "%s: the parent has no child list", what);
  dui::Control* child = kind == "Panel" ? new dui::Panel : new dui::Control;
  if (withId) child->setInt(dui::names::id, id);   // before attach, so the id map has it
  parent->asPanel()->addChild(child);
  return child;
}

// test.newChild(parent, kind [, id]) -> object of a new "Panel" or "Control"
// appended to the parent panel.
int newChild(lua_State* L) {
  pushControlObject(L, appendChild(L, "test.newChild"));
  return 1;
}

// test.addChild(parent, kind [, id]): the same without making an object, so
// the script's own lookups make it.
int addChild(lua_State* L) {
  appendChild(L, "test.addChild");
  return 0;
}

// test.destroy(object): deletes a control, or destroys a window.
int destroy(lua_State* L) {
  if (HWND hwnd = hwndOf(L, 1)) {
    ::DestroyWindow(hwnd);
    return 0;
  }
  dui::Control* control = controlArg(L, 1, "test.destroy");
  if (!control->parent()) return luaL_error(L, "test.destroy: a window's root goes with its window");
  delete control;
  return 0;
}

// test.place(object, left, top, right, bottom): the control's rectangle.
int place(lua_State* L) {
  const dui::Rect r{static_cast<std::int32_t>(argInteger(L, 2)), static_cast<std::int32_t>(argInteger(L, 3)),
                    static_cast<std::int32_t>(argInteger(L, 4)), static_cast<std::int32_t>(argInteger(L, 5))};
  controlArg(L, 1, "test.place")->setRect(r);
  return 0;
}

// test.getString(object, attribute) -> the text attribute, or nil when unset
int getString(lua_State* L) {
  const std::wstring name = argText(L, 2);
  const dui::AttrKey key = dui::findAttributeName(name.c_str());
  if (!key) return luaL_error(L, "test.getString: unknown attribute");
  std::wstring value;
  if (controlArg(L, 1, "test.getString")->getString(key, value))
    pushWide(L, value);
  else
    lua_pushnil(L);
  return 1;
}

// test.setInt(object, attribute, value)
int setInt(lua_State* L) {
  const std::wstring name = argText(L, 2);
  const dui::AttrKey key = dui::findAttributeName(name.c_str());
  if (!key) return luaL_error(L, "test.setInt: unknown attribute");
  const auto value = static_cast<std::int32_t>(argInteger(L, 3));
  controlArg(L, 1, "test.setInt")->setInt(key, value);
  return 0;
}

// test.raise(object, code, wparam, lparam [, routing]) -> handled; routing 0
// tunnel, 1 bubble, 2 direct (the default).
int raise(lua_State* L) {
  dui::Event e = dui::makeEvent(static_cast<std::uint32_t>(argInteger(L, 2)),
                                static_cast<std::uintptr_t>(argInteger(L, 3)),
                                static_cast<std::intptr_t>(argInteger(L, 4)));
  e.routing = lua_isnoneornil(L, 5) ? dui::Routing::Direct : static_cast<dui::Routing>(argInteger(L, 5));
  dui::raiseEvent(controlArg(L, 1, "test.raise"), e);
  lua_pushboolean(L, e.handled != 0);
  return 1;
}

// test.handlerCount(object, code) -> native delegates registered for the code
int handlerCount(lua_State* L) {
  const auto code = static_cast<std::uint32_t>(argInteger(L, 2));
  const std::vector<dui::Delegate>* list = controlArg(L, 1, "test.handlerCount")->handlers().find(code);
  lua_pushinteger(L, list ? static_cast<lua_Integer>(list->size()) : 0);
  return 1;
}

// test.windowRect(window) -> left, top, right, bottom (screen)
int windowRect(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  if (!hwnd) return luaL_error(L, "test.windowRect: not a window object");
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  lua_pushinteger(L, r.left);
  lua_pushinteger(L, r.top);
  lua_pushinteger(L, r.right);
  lua_pushinteger(L, r.bottom);
  return 4;
}

// test.screenSize() -> width, height
int screenSize(lua_State* L) {
  lua_pushinteger(L, ::GetSystemMetrics(SM_CXSCREEN));
  lua_pushinteger(L, ::GetSystemMetrics(SM_CYSCREEN));
  return 2;
}

// test.isEnabled(window), test.enable(window, on), test.isActive(window),
// test.isVisible(window)
int isEnabled(lua_State* L) {
  lua_pushboolean(L, ::IsWindowEnabled(hwndOf(L, 1)));
  return 1;
}
int enable(lua_State* L) {
  ::EnableWindow(hwndOf(L, 1), lua_toboolean(L, 2));
  return 0;
}
int isActive(lua_State* L) {
  HWND hwnd = hwndOf(L, 1);
  lua_pushboolean(L, hwnd && ::GetActiveWindow() == hwnd);
  return 1;
}
int isVisible(lua_State* L) {
  lua_pushboolean(L, ::IsWindowVisible(hwndOf(L, 1)));
  return 1;
}

// test.title(window) -> the window text
int title(lua_State* L) {
  wchar_t text[256] = {};
  ::GetWindowTextW(hwndOf(L, 1), text, 256);
  pushWide(L, text);
  return 1;
}

// test.cursor() -> the current cursor handle as a number, test.systemCursor(id)
int cursor(lua_State* L) {
  lua_pushnumber(L, static_cast<lua_Number>(reinterpret_cast<std::uintptr_t>(::GetCursor())));
  return 1;
}
int systemCursor(lua_State* L) {
  HCURSOR c = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(argInteger(L, 1))));
  lua_pushnumber(L, static_cast<lua_Number>(reinterpret_cast<std::uintptr_t>(c)));
  return 1;
}

// test.messageBoxes() -> the texts of the message boxes shown so far
int messageBoxes(lua_State* L) {
  lua_newtable(L);
  int i = 0;
  for (const std::wstring& text : RecordingSeam::messages) {
    pushWide(L, text);
    lua_rawseti(L, -2, ++i);
  }
  return 1;
}

// test.closeDialog(window, how) -> whether a dialog box owned by the window
// was found and told to close: how "cancel" (the Cancel button), "escape"
// (the Escape key) or "close" (the frame's close box)
struct OwnedDialog {
  HWND owner;
  HWND found;
};
BOOL CALLBACK findOwnedDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<OwnedDialog*>(param);
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  if (::GetWindow(hwnd, GW_OWNER) != search->owner || std::wstring(name) != L"#32770" || !::IsWindowVisible(hwnd))
    return TRUE;
  search->found = hwnd;
  return FALSE;
}
int closeDialog(lua_State* L) {
  OwnedDialog search{hwndOf(L, 1), nullptr};
  const std::string how = luaL_optstring(L, 2, "cancel");
  if (search.owner) ::EnumThreadWindows(::GetCurrentThreadId(), findOwnedDialog, reinterpret_cast<LPARAM>(&search));
  if (search.found) {
    if (how == "escape") {
      ::PostMessageW(search.found, WM_KEYDOWN, VK_ESCAPE, 1);
    } else if (how == "close") {
      ::PostMessageW(search.found, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
  }
  lua_pushboolean(L, search.found != nullptr);
  return 1;
}

// test.allocateHigh(on) -> whether native objects made from now on lie above
// 2^32 (64-bit only; false on 32-bit and after test.allocateHigh(false))
int allocateHighAddresses(lua_State* L) {
  lua_pushboolean(L, allocateHigh(lua_toboolean(L, 1) != 0));
  return 1;
}

const luaL_Reg kTestFunctions[] = {
    {"messageBoxes", messageBoxes},
    {"send", send},       {"post", post},
    {"click", click},     {"pump", pump},
    {"cursorTo", cursorTo},
    {"notify", notify},   {"newChild", newChild},
    {"destroy", destroy}, {"place", place},
    {"setInt", setInt},   {"raise", raise},
    {"getString", getString},
    {"handlerCount", handlerCount},
    {"windowRect", windowRect},
    {"screenSize", screenSize},
    {"isEnabled", isEnabled},
    {"enable", enable},
    {"addChild", addChild},
    {"isActive", isActive},
    {"isVisible", isVisible},
    {"title", title},
    {"cursor", cursor},
    {"systemCursor", systemCursor},
    {"allocateHigh", allocateHighAddresses},
    {"closeDialog", closeDialog},
    {nullptr, nullptr}};

}  // namespace

void registerHarnessApi(lua_State* L, LuaRunResult* result) {
  lua_pushlightuserdata(L, result);
  lua_setfield(L, LUA_REGISTRYINDEX, kResultKey);
  lua_register(L, "check", check);
  lua_register(L, "checkEqual", checkEqual);
  lua_register(L, "expectError", expectError);
  lua_newtable(L);
  luaL_setfuncs(L, kTestFunctions, 0);
  lua_setglobal(L, "test");
}

}  // namespace kavri::test
