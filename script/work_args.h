// Reading the string arguments of the background-work functions: a string or
// number argument as its bytes, anything else as the empty string.
#pragma once

#include <string>

#include "lua.h"
#include "support/text_convert.h"

namespace kavri::work {

inline std::string argBytes(lua_State* L, int index) {
  const int type = lua_type(L, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return std::string();
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  return text ? std::string(text, length) : std::string();
}

// UTF-8 to UTF-16 up to the first zero byte.
inline std::wstring argWide(lua_State* L, int index) { return utf8ToWide(argBytes(L, index)); }

}  // namespace kavri::work
