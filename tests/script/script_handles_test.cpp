// Script handles: native addresses as Lua numbers and back, on 32-bit and on
// 64-bit Windows, including addresses above 4 GiB that a 64-bit process gets.
#include "script/script_handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "lauxlib.h"

namespace kavri {
namespace {

struct StateOwner {
  lua_State* L = luaL_newstate();
  ~StateOwner() { lua_close(L); }
};

std::uintptr_t roundTrip(lua_State* L, std::uintptr_t address) {
  pushHandle(L, reinterpret_cast<const void*>(address));
  const std::uintptr_t back = handleAt(L, -1);
  lua_pop(L, 1);
  return back;
}

TEST(ScriptHandles, AddressesSurviveTheRoundTrip) {
  StateOwner state;
  std::vector<std::uintptr_t> addresses = {0x10000, 0x7FFF0000, 0x80000002, 0xFFFF0000};
  if (sizeof(void*) == 8) {
    const unsigned long long wide[] = {0x100000000ull, 0x7FF612345678ull, 0x7FFFFFFEFFF0ull,
                                       0x00007FFFFFFFFFF8ull, 0x0000123456789ABCull};
    for (unsigned long long a : wide) addresses.push_back(static_cast<std::uintptr_t>(a));
  }
  for (std::uintptr_t a : addresses) EXPECT_EQ(roundTrip(state.L, a), a) << std::hex << a;
}

TEST(ScriptHandles, NumbersScriptsSee) {
  StateOwner state;
  pushHandle(state.L, reinterpret_cast<const void*>(std::uintptr_t(0x80000002u)));
  // 32-bit: the address read as a signed 32-bit value; 64-bit: the address itself.
  const lua_Number expected = sizeof(void*) == 4 ? -2147483646.0 : 2147483650.0;
  EXPECT_EQ(lua_tonumber(state.L, -1), expected);
}

TEST(ScriptHandles, WhatIsNoHandleReadsAsNull) {
  StateOwner state;
  lua_State* L = state.L;
  struct Case {
    const char* name;
    void (*push)(lua_State*);
  } cases[] = {
      {"nil", [](lua_State* L) { lua_pushnil(L); }},
      {"zero", [](lua_State* L) { lua_pushnumber(L, 0); }},
      {"table", [](lua_State* L) { lua_newtable(L); }},
      {"word", [](lua_State* L) { lua_pushstring(L, "window"); }},
      {"not a number", [](lua_State* L) { lua_pushnumber(L, 0.0 / 0.0); }},
  };
  for (const Case& c : cases) {
    c.push(L);
    EXPECT_EQ(handleAt(L, -1), 0u) << c.name;
    lua_pop(L, 1);
  }
  if (sizeof(void*) == 8) {
    lua_pushnumber(L, 1e300);   // far beyond any address
    EXPECT_EQ(handleAt(L, -1), 0u);
    lua_pushnumber(L, 4294967296.5);   // not an integer: no address
    EXPECT_EQ(handleAt(L, -1), 0u);
  } else {
    lua_pushnumber(L, 2147483650.0);   // the unsigned spelling of a 32-bit handle
    EXPECT_EQ(handleAt(L, -1), std::uintptr_t(0x80000002u));
  }
}

TEST(ScriptHandles, HighAllocationsOfThisProcessRoundTrip) {
  // Memory the system hands out from the top of the address space: above
  // 4 GiB in a 64-bit process, above 2 GiB at most in a 32-bit one.
  void* high = ::VirtualAlloc(nullptr, 65536, MEM_RESERVE | MEM_TOP_DOWN, PAGE_NOACCESS);
  ASSERT_NE(high, nullptr);
  StateOwner state;
  EXPECT_EQ(roundTrip(state.L, reinterpret_cast<std::uintptr_t>(high)), reinterpret_cast<std::uintptr_t>(high));
  if (sizeof(void*) == 8) {
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(high), std::uintptr_t(0xFFFFFFFFu));
  }
  ::VirtualFree(high, 0, MEM_RELEASE);
}

}  // namespace
}  // namespace kavri
