// Conversions at the boundary between Lua and the native API: UTF-8 Lua
// strings to UTF-16 text and back, integers and booleans, and the guard that
// keeps C++ exceptions from crossing a Lua C function.
#pragma once

#include "lua.h"
#include "lauxlib.h"

#include <exception>
#include <string>

#include "support/debug_log.h"
#include "support/text_convert.h"

namespace kavri {

// Text buffers of the system API hold 260 units including the terminating zero.
inline constexpr size_t kTextArgumentUnits = 260;

// Argument `index` as text: strings and numbers (in their string form) convert,
// anything else (nil, missing, tables...) gives the empty string.
std::wstring argText(lua_State* L, int index);
// The same, refused (false) when the text does not fit a 260-unit buffer with
// its terminating zero, so a long path is never cut into a different one.
bool argBoundedText(lua_State* L, int index, std::wstring& text);
// Argument `index` as a 32-bit integer: numbers and numeric strings rounded to
// the nearest (ties to even, as lua_tointegerx does on x86) and wrapped modulo
// 2^32; anything else gives 0.
lua_Integer argInteger(lua_State* L, int index);
// Argument `index` by Lua truth (nil and false are false).
bool argBoolean(lua_State* L, int index);

// Pushes UTF-16 text as a UTF-8 Lua string.
void pushWide(lua_State* L, const std::wstring& text);

// Runs a system API function; a C++ exception (out of memory in a string) ends
// the call with no results instead of crossing into Lua. Lua's own errors are
// not C++ standard exceptions and pass through unchanged.
template <lua_CFunction F>
int guardedCall(lua_State* L) {
  try {
    return F(L);
  } catch (const std::exception& e) {
    debugLogf(L"script API call failed: %hs", e.what());
    return 0;
  }
}

}  // namespace kavri
