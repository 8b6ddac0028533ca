// libFuzzer target for jsonDecode and jsonEncode, the conversion between JSON
// text from outside (an install log an uninstaller reads) and Lua values: any
// bytes either decode or give a message; whatever decodes writes back (or is
// refused with a message: a fraction, an array with a null hole) and reads
// back as the same value. What the functions need from the rest of the
// program is stood in for by the native test's tests/host/lua_json_stubs.cpp.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "script/system_api_modules.h"

namespace {

constexpr char kRoundTrip[] = R"lua(
  local function same(a, b)
    if type(a) ~= "table" or type(b) ~= "table" then return a == b end
    for k, v in pairs(a) do if not same(v, b[k]) then return false end end
    for k in pairs(b) do if a[k] == nil then return false end end
    return true
  end
  function roundTrip(text)
    local value, message = jsonDecode(text)
    if value == nil then
      assert(message == nil or type(message) == "string", "no message for a failure")
      return
    end
    local encoded, problem = jsonEncode(value)
    if not encoded then
      assert(problem:find("only whole numbers", 1, true) or problem:find("object keys must be text", 1, true),
             "refused: " .. tostring(problem))
      return
    end
    local again, failure = jsonDecode(encoded)
    assert(again ~= nil or encoded == "null", "written text does not read back: " .. tostring(failure))
    assert(same(again, value), "the value changed on the way: " .. encoded)
  end
)lua";

lua_State* newState() {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  kavri::registerJsonApi(L);
  if (luaL_dostring(L, kRoundTrip) != LUA_OK) {
    std::fprintf(stderr, "cannot load the round trip: %s\n", lua_tostring(L, -1));
    std::abort();
  }
  return L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lua_State* L = newState();
  lua_settop(L, 0);
  lua_getglobal(L, "roundTrip");
  lua_pushlstring(L, reinterpret_cast<const char*>(data), size);
  if (lua_pcall(L, 1, 0, 0) != LUA_OK) {
    std::fprintf(stderr, "%s (input of %zu bytes)\n", lua_tostring(L, -1), size);
    std::abort();
  }
  return 0;
}
