// UTF-8 / UTF-16 and number conversions for the script interfaces.
#include "lua_convert.h"

#include <cmath>
#include <cstdint>

namespace kavri {

std::wstring argText(lua_State* L, int index) {
  const int type = lua_type(L, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return std::wstring();
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  return utf8ToWide(std::string_view(text, length));   // stops at the first zero byte
}

bool argBoundedText(lua_State* L, int index, std::wstring& text) {
  text = argText(L, index);
  if (text.size() < kTextArgumentUnits) return true;
  debugLogf(L"script API: text argument %d of %u units refused (limit %u)", index, unsigned(text.size()),
            unsigned(kTextArgumentUnits - 1));
  text.clear();
  return false;
}

lua_Integer argInteger(lua_State* L, int index) {
  int isNumber = 0;
  const lua_Number number = lua_tonumberx(L, index, &isNumber);
  if (!isNumber || !std::isfinite(number)) return 0;
  // Nearest integer, then wrapped to 32 bits, so 4294967295 reads as -1 and a
  // handle's bits survive whichever way a script writes them. (A plain cast
  // would truncate, and is undefined out of range.)
  double wrapped = std::fmod(std::nearbyint(number), 4294967296.0);
  if (wrapped < 0) wrapped += 4294967296.0;
  return static_cast<lua_Integer>(static_cast<int32_t>(static_cast<uint32_t>(wrapped)));
}

bool argBoolean(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }

void pushWide(lua_State* L, const std::wstring& text) {
  const std::string narrow = wideToUtf8(text);
  lua_pushlstring(L, narrow.data(), narrow.size());
}

}  // namespace kavri
