// libFuzzer target for the boundary between scripts and the native API: the
// argument conversions (text, bounded text, integers, booleans, and back) and
// configurationText, which turns script values into the configuration text
// the elevated background worker runs as code. Any string must come back from
// that text unchanged, and no part of it may ever run. The UTF-8 conversion
// and the debugger log are Windows calls in the program and stood in for here.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "script/lua_convert.h"

namespace kavri {

void debugLog(const std::wstring&) {}
void debugLogf(const wchar_t*, ...) {}

// Byte-for-byte stand-ins: the fuzzer looks at the Lua side of the boundary.
std::wstring utf8ToWide(std::string_view text) {
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  return std::wstring(text.begin(), text.end());
}
std::string wideToUtf8(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) out += char(c);
  return out;
}

}  // namespace kavri

namespace {

[[noreturn]] void fail(const char* what, const std::string& input) {
  std::fprintf(stderr, "%s (input of %zu bytes)\n", what, input.size());
  std::abort();
}

lua_State* stateWithPrelude() {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  std::ifstream file(KAVRI_REGISTRY_PRELUDE, std::ios::binary);
  const std::string prelude((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (prelude.empty() || luaL_dostring(L, prelude.c_str()) != LUA_OK) {
    std::fprintf(stderr, "cannot load the prelude %s\n", KAVRI_REGISTRY_PRELUDE);
    std::abort();
  }
  return L;
}

// Round trip of `value` (a string) through configurationText, as the worker
// reads it, in an environment where a planted statement would show.
constexpr char kRoundTrip[] = R"lua(
  local value = ...
  local text = configurationText({ installPath = value, [value] = 1, list = { value, 2.5, true } })
  local env = {}
  local chunk = load("config = " .. text, "=config", "t", env)
  assert(chunk, "configuration text does not load: " .. text)
  chunk()
  local config = env.config
  local keys = 0
  for _ in pairs(env) do keys = keys + 1 end
  assert(keys == 1, "the text set more than config")
  assert(config.installPath == value and config[value] == 1, "a string came back changed")
  assert(config.list[1] == value and config.list[2] == 2.5 and config.list[3] == true, "the list changed")
)lua";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lua_State* L = stateWithPrelude();
  const std::string input(reinterpret_cast<const char*>(data), size);
  lua_settop(L, 0);

  // Argument conversions of the string, of the number it may spell, and of
  // values that are neither.
  lua_pushlstring(L, input.data(), input.size());
  const std::wstring text = kavri::argText(L, 1);
  if (text.size() > input.size()) fail("argText grew the text", input);
  std::wstring bounded;
  const bool fits = kavri::argBoundedText(L, 1, bounded);
  if (fits != (text.size() < kavri::kTextArgumentUnits) || (fits && bounded != text) || (!fits && !bounded.empty()))
    fail("argBoundedText disagrees with the limit", input);
  const lua_Integer number = kavri::argInteger(L, 1);
  if (number < INT32_MIN || number > INT32_MAX) fail("argInteger left the 32-bit range", input);
  if (!kavri::argBoolean(L, 1)) fail("a string read as false", input);
  if (size >= sizeof(double)) {
    double d;
    std::memcpy(&d, data, sizeof d);
    lua_pushnumber(L, d);
    const lua_Integer fromDouble = kavri::argInteger(L, 2);
    if (fromDouble < INT32_MIN || fromDouble > INT32_MAX) fail("argInteger left the 32-bit range", input);
    kavri::argText(L, 2);
  }
  lua_newtable(L);
  if (!kavri::argText(L, lua_gettop(L)).empty() || kavri::argInteger(L, lua_gettop(L)) != 0)
    fail("a table converted to something", input);
  kavri::pushWide(L, text);
  lua_settop(L, 0);

  // configurationText.
  if (luaL_loadbuffer(L, kRoundTrip, sizeof kRoundTrip - 1, "=roundtrip") != LUA_OK) fail("round trip chunk", input);
  lua_pushlstring(L, input.data(), input.size());
  if (lua_pcall(L, 1, 0, 0) != LUA_OK) {
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    fail("configurationText round trip failed", input);
  }
  lua_settop(L, 0);
  lua_gc(L, LUA_GCSTEP, 0);
  return 0;
}
