// Script handles: a native object's address as a Lua number, and back.
//
// The address is read as a signed integer of pointer width. On 32-bit Windows
// that is the signed 32-bit value scripts have always seen; on 64-bit Windows
// it is the whole address, which a Lua number (a double) holds exactly, since
// user-mode addresses stay far below 2^53.
#pragma once

#include <cmath>
#include <cstdint>

#include "lua.h"
#include "script/lua_convert.h"

namespace kavri {

inline lua_Number handleNumber(const void* object) {
  return static_cast<lua_Number>(reinterpret_cast<std::intptr_t>(object));
}

inline void pushHandle(lua_State* L, const void* object) { lua_pushnumber(L, handleNumber(object)); }

// The handle at `index` as an address; null for 0, nil and non-numbers.
inline std::uintptr_t handleAt(lua_State* L, int index) {
  if constexpr (sizeof(void*) == 4) {
    // Wrapped to 32 bits, so a handle written as its unsigned value still reads.
    return static_cast<std::uintptr_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(argInteger(L, index))));
  } else {
    int isNumber = 0;
    const lua_Number number = lua_tonumberx(L, index, &isNumber);
    constexpr lua_Number kLimit = 9007199254740992.0;   // 2^53: beyond it doubles skip integers
    if (!isNumber || !(std::fabs(number) < kLimit) || number != std::floor(number)) return 0;
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(number));
  }
}

inline std::uintptr_t addressOf(const void* object) { return reinterpret_cast<std::uintptr_t>(object); }

}  // namespace kavri
