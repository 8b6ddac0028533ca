// Loading and running packaged scripts, and the one script error box.
#include "script/packaged_script.h"

#include <windows.h>

#include "package/file_system.h"
#include "lauxlib.h"
#include "support/debug_log.h"
#include "support/system_seam.h"
#include "support/text_convert.h"

namespace kavri {

std::string errorText(lua_State* L, int index) {
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  if (!text) return "(error object is not a string)";
  return std::string(text, length);
}

std::string runPackagedScript(lua_State* L, FileSystem& files, const std::wstring& name) {
  size_t size = 0;
  HeapBuffer text = files.loadFile(name, &size);
  if (!text) return "cannot load script " + wideToUtf8(name);
  std::string failure;
  const int top = lua_gettop(L);
  const std::string chunkName = "=" + wideToUtf8(name);
  int status = luaL_loadbuffer(L, reinterpret_cast<const char*>(text.get()), size, chunkName.c_str());
  if (status == LUA_OK) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  if (status != LUA_OK) failure = errorText(L, -1);
  lua_settop(L, top);
  files.freeFile(text.release());
  return failure;
}

void reportScriptError(const std::wstring& text) {
  debugLog(L"script error: " + text);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  systemSeam().messageBox(nullptr, text.c_str(), kErrorCaption, MB_OK);
}

}  // namespace kavri
