// System API, JSON: jsonEncode and jsonDecode round trips (the install log's
// shape, non-ASCII text, large whole numbers, nulls) and their refusals
// (cycles, functions, non-string keys, fractions, bad UTF-8, malformed text).
// Window-free: built for Windows and natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "script/system_api_modules.h"

namespace kavri {
namespace {

// A Lua state with the standard libraries and the two JSON functions.
class LuaTestState {
 public:
  LuaTestState() : L_(luaL_newstate()) {
    luaL_openlibs(L_);
    registerJsonApi(L_);
  }
  ~LuaTestState() { lua_close(L_); }
  LuaTestState(const LuaTestState&) = delete;
  LuaTestState& operator=(const LuaTestState&) = delete;

  // Runs a chunk; "" on success, else the error text.
  std::string run(const std::string& chunk) {
    std::string error;
    if (luaL_loadstring(L_, chunk.c_str()) != LUA_OK || lua_pcall(L_, 0, 0, 0) != LUA_OK) {
      const char* message = lua_tostring(L_, -1);
      error = message ? message : "(non-string error)";
    }
    lua_settop(L_, 0);
    return error;
  }

 private:
  lua_State* L_;
};

// same(a, b): deep equality of plain Lua values.
constexpr char kSame[] = R"lua(
  function same(a, b)
    if type(a) ~= "table" or type(b) ~= "table" then return a == b end
    for k, v in pairs(a) do if not same(v, b[k]) then return false end end
    for k in pairs(b) do if a[k] == nil then return false end end
    return true
  end
)lua";

TEST(JsonApi, ValuesSurviveARoundTrip) {
  LuaTestState lua;
  ASSERT_EQ(lua.run(kSame), "");
  EXPECT_EQ(lua.run(R"lua(
    local shared = { "x" }
    local cases = {
      { "install log", {
          product = "Kavri", version = "1.0.0", folder = "C:\\Program Files\\Kavri",
          files = { { path = "C:\\Program Files\\Kavri\\readme.txt", size = 1234 },
                    { path = "C:\\Program Files\\Kavri\\docs/guide.txt", size = 0 } },
          folders = { "C:\\Program Files\\Kavri\\docs", "C:\\Program Files\\Kavri" },
          registry = { { root = "HKEY_LOCAL_MACHINE", key = "Software\\Kavri", value = "" } } } },
      { "non-ASCII and control text", { "D:\\安装\\说明.txt", "tab\there", "quote \" and \\", "😀" } },
      { "a zero byte inside text", "a\0b" },
      { "whole numbers beyond 32 bits", { 5000000000, -2147483649, 9007199254740992, 0, -7 } },
      { "booleans and nesting", { flags = { true, false }, deep = { { { "bottom" } } } } },
      { "a table referenced twice (no cycle)", { a = shared, b = shared } },
      { "string keys that look like numbers", { ["1"] = "one", ["2"] = "two" } },
      { "plain string", "text" },
      { "plain number", 42 },
    }
    for _, c in ipairs(cases) do
      local text, message = jsonEncode(c[2])
      assert(type(text) == "string", c[1] .. ": " .. tostring(message))
      local back, problem = jsonDecode(text)
      assert(same(back, c[2]), c[1] .. ": came back different from " .. text .. " " .. tostring(problem))
    end
  )lua"),
            "");
}

TEST(JsonApi, TheTextIsCompactWithArraysAndObjects) {
  LuaTestState lua;
  EXPECT_EQ(lua.run(R"lua(
    local cases = {
      { {}, "{}" },                                   -- an empty table is an empty object
      { { 1, 2, 3 }, "[1,2,3]" },
      { { b = 1, a = { true } }, '{"a":[true],"b":1}' },
      { "C:\\a/b", '"C:\\\\a\\/b"' },
      { "é", '"\\u00e9"' },
      { nil, "null" },
    }
    for i, c in ipairs(cases) do
      local text = jsonEncode(c[1])
      assert(text == c[2], "case " .. i .. ": " .. tostring(text))
    end
    -- Nulls: an object member is absent, an array keeps the other positions.
    local t = assert(jsonDecode('{"a":null,"list":[1,null,3]}'))
    assert(t.a == nil and next(t) == "list" and next(t, "list") == nil)
    assert(t.list[1] == 1 and t.list[2] == nil and t.list[3] == 3)
    local value, message = jsonDecode("null")
    assert(value == nil and message == nil, "null is a value, not a failure")
  )lua"),
            "");
}

TEST(JsonApi, ValuesJsonCannotHoldAreRefused) {
  LuaTestState lua;
  EXPECT_EQ(lua.run(R"lua(
    local cycle = { name = "top" }
    cycle.self = cycle
    local deepCycle = { files = { { path = "x" } } }
    deepCycle.files[1].owner = deepCycle
    local tooDeep = {}
    local at = tooDeep
    for i = 1, 600 do at[1] = {} at = at[1] end
    local cases = {
      { "cycle", cycle, "self refers back to a table that contains it" },
      { "cycle further down", deepCycle, "files[1].owner refers back" },
      { "function", { files = { print } }, "files[1] is a function" },
      { "coroutine", coroutine.create(print), "the value is a thread" },
      { "boolean key", { [true] = 1 }, "has the key boolean" },
      { "array with a gap", { 1, 2, [4] = 4 }, "has the key 1" },
      { "array with a named member", { 1, x = 2 }, "has the key 1" },
      { "fraction", { size = 1.5 }, "size is 1.5: only whole numbers" },
      { "not a number", 0 / 0, "only whole numbers" },
      { "infinity", math.huge, "only whole numbers" },
      { "text that is not UTF-8", { path = "C:\\\xff" }, "path is text that is not UTF-8" },
      { "key that is not UTF-8", { ["\xc3"] = 1 }, "is text that is not UTF-8" },
      { "nested too deep", tooDeep, "nested too deep" },
    }
    for _, c in ipairs(cases) do
      local text, message = jsonEncode(c[2])
      assert(text == nil, c[1] .. ": written as " .. tostring(text))
      assert(type(message) == "string" and message:find(c[3], 1, true), c[1] .. ": " .. tostring(message))
    end
  )lua"),
            "");
}

TEST(JsonApi, MalformedTextIsRefused) {
  LuaTestState lua;
  EXPECT_EQ(lua.run(R"lua(
    local cases = {
      { "empty", "", "malformed JSON at byte 0" },
      { "unclosed object", '{"a":1', "malformed JSON" },
      { "missing comma", "[1 2]", "malformed JSON" },
      { "unterminated text", '"abc', "malformed JSON" },
      { "trailing text", '{"a":1} x', "malformed JSON at byte 8" },
      { "bad literal", "nul", "malformed JSON" },
      { "zero byte", "[1]\0[2]", "holds a zero byte" },
      { "nested too deep", string.rep("[", 600) .. string.rep("]", 600), "malformed JSON" },
      { "not text", {}, "the argument is not text" },
      { "nothing", nil, "the argument is not text" },
    }
    for _, c in ipairs(cases) do
      local value, message = jsonDecode(c[2])
      assert(value == nil, c[1] .. ": decoded")
      assert(type(message) == "string" and message:find(c[3], 1, true), c[1] .. ": " .. tostring(message))
    end
  )lua"),
            "");
}

}  // namespace
}  // namespace kavri
