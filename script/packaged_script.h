// Running a packaged script's main chunk and reporting its error: the one way
// both the UI state and the background worker run their scripts.
#pragma once

#include <memory>
#include <string>

#include "lua.h"
#include "support/win32_handles.h"

namespace kavri {

class FileSystem;

// Caption of the box that reports a script error.
inline constexpr wchar_t kErrorCaption[] = L"错误";

// A Lua state closed when its owner goes.
using OwnedLuaState = std::unique_ptr<lua_State, FreeWith<lua_close>>;

// The error object at `index` as text; "(error object is not a string)" when
// it is neither a string nor a number.
std::string errorText(lua_State* L, int index);

// Loads `name` through `files` and runs its main chunk to completion in a
// protected call. The chunk is named after its file, so errors read
// "UI.lua:12: ...". Returns the error text, empty when the chunk ran to its
// end; "cannot load script <name>" when the file cannot be loaded. Leaves the
// stack as it found it.
std::string runPackagedScript(lua_State* L, FileSystem& files, const std::wstring& name);

// Makes `require` load modules only from the installer's own packaged files:
// package.path and package.cpath are emptied (so LUA_PATH, LUA_CPATH and the
// current folder play no part) and the searchers become the preload table
// followed by one that loads "<name>.lua" ('.' in the name becomes '/')
// through the current file system. Call after the standard libraries are open.
void restrictRequireToPackagedFiles(lua_State* L);

// Logs `text` and shows it in an ownerless "错误" box through the system seam,
// unless errors are silent. A quit message left by an aborted modal loop is
// dropped first, as it would close the box at once. Any thread.
void reportScriptError(const std::wstring& text);

// Silent installs (setSilent): script errors, and the host's own boxes, are
// only logged. Process-wide; any thread.
void setScriptErrorsSilent(bool silent);
bool scriptErrorsSilent();

}  // namespace kavri
