// Script handles: a native object's address as a Lua number (the address read
// as a signed 32-bit integer), and back.
#pragma once

#include <cstdint>

#include "lua.h"
#include "script/lua_convert.h"

namespace kavri {

inline void pushHandle(lua_State* L, const void* object) {
  lua_pushnumber(L, static_cast<lua_Number>(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(object))));
}

// The handle at `index` as an address; null for 0, nil and non-numbers.
inline std::uintptr_t handleAt(lua_State* L, int index) {
  return static_cast<std::uintptr_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(argInteger(L, index))));
}

inline std::uintptr_t addressOf(const void* object) { return reinterpret_cast<std::uintptr_t>(object); }

}  // namespace kavri
