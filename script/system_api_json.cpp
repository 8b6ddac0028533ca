// System API, JSON: jsonEncode and jsonDecode, between Lua values and JSON
// text through the JSON document model (support/json.h).
//
// Lua to JSON: nil is null; booleans and strings are themselves; numbers must
// be whole and finite (the JSON writer writes integers, and a fraction must
// never be cut off silently); a table whose keys are exactly 1..n is an array,
// an empty table an empty object, any other table an object whose keys must
// all be strings. Functions, userdata, threads, cycles, non-string keys, text
// that is not UTF-8 and nesting deeper than the parser reads back are refused
// with nil and a message naming where the value sits ("files[2].path").
//
// JSON to Lua: objects and arrays become tables, null becomes nil (an object
// member that is null is absent; an array keeps the positions of the other
// elements), text UTF-8.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/json.h"

namespace kavri {
namespace {

// A value that cannot be written: the message for the script.
struct EncodeRefusal {
  std::string message;
};

// Strict UTF-8 to UTF-16: false for malformed, overlong or surrogate
// sequences. Zero bytes are ordinary characters here.
bool decodeUtf8(const char* text, size_t length, std::u16string& out) {
  out.clear();
  out.reserve(length);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  while (p < end) {
    const unsigned char lead = *p++;
    if (lead < 0x80) {
      out += char16_t(lead);
      continue;
    }
    int extra = 0;
    char32_t code = 0, minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (end - p < extra) return false;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      code = code << 6 | (*p & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += char16_t(0xD800 + (code >> 10));
      out += char16_t(0xDC00 + (code & 0x3FF));
    } else {
      out += char16_t(code);
    }
  }
  return true;
}

class Encoder {
 public:
  explicit Encoder(lua_State* L) : L_(L) {}

  // The value at `index` (absolute) as a JSON value; throws EncodeRefusal.
  JObject encode(int index, const std::string& where) {
    switch (lua_type(L_, index)) {
      case LUA_TNIL: return JObject();
      case LUA_TBOOLEAN: return JObject::makeBoolean(lua_toboolean(L_, index) != 0);
      case LUA_TNUMBER: {
        const lua_Number n = lua_tonumber(L_, index);
        if (!std::isfinite(n) || std::trunc(n) != n)
          refuse(where, "is " + numberText(index) + ": only whole numbers can be written");
        return JObject::makeNumber(n);
      }
      case LUA_TSTRING: return JObject::makeString(text(index, where));
      case LUA_TTABLE: return encodeTable(index, where);
      default: refuse(where, std::string("is a ") + luaL_typename(L_, index) + ", which JSON cannot hold");
    }
  }

 private:
  [[noreturn]] static void refuse(const std::string& where, const std::string& what) {
    throw EncodeRefusal{"jsonEncode: " + (where.empty() ? std::string("the value") : where) + " " + what};
  }

  std::string numberText(int index) {
    lua_pushvalue(L_, index);
    const std::string text = lua_tostring(L_, -1);   // converts the copy, not the table's key
    lua_pop(L_, 1);
    return text;
  }

  std::u16string text(int index, const std::string& where) {
    size_t length = 0;
    const char* bytes = lua_tolstring(L_, index, &length);
    std::u16string wide;
    if (!decodeUtf8(bytes, length, wide)) refuse(where, "is text that is not UTF-8");
    return wide;
  }

  JObject encodeTable(int index, const std::string& where) {
    const void* table = lua_topointer(L_, index);
    for (const void* open : path_)
      if (open == table) refuse(where, "refers back to a table that contains it (a cycle)");
    if (int(path_.size()) >= kJsonMaxNesting) refuse(where, "is nested too deep");
    if (!lua_checkstack(L_, 4)) refuse(where, "is nested too deep");
    path_.push_back(table);

    // Exactly the keys 1..n (n > 0): an array. Otherwise every key is a string.
    // Distinct whole keys from 1 whose largest equals their count are 1..n.
    size_t count = 0;
    lua_Number largest = 0;
    bool sequence = true;
    lua_pushnil(L_);
    while (lua_next(L_, index)) {
      ++count;
      lua_pop(L_, 1);
      if (lua_type(L_, -1) != LUA_TNUMBER) {
        sequence = false;
      } else {
        const lua_Number key = lua_tonumber(L_, -1);
        if (key < 1 || std::trunc(key) != key) sequence = false;
        if (key > largest) largest = key;
      }
    }
    if (sequence && count > 0 && largest == lua_Number(count)) {
      JObject array(JType::Array);
      for (size_t i = 1; i <= count; ++i) {
        lua_rawgeti(L_, index, int(i));
        array.append(encode(lua_gettop(L_), where + "[" + std::to_string(i) + "]"));
        lua_pop(L_, 1);
      }
      path_.pop_back();
      return array;
    }
    JObject object(JType::Object);
    lua_pushnil(L_);
    while (lua_next(L_, index)) {
      if (lua_type(L_, -2) != LUA_TSTRING) {
        const std::string key = lua_type(L_, -2) == LUA_TNUMBER ? numberText(-2) : luaL_typename(L_, -2);
        refuse(where, "has the key " + key + ": object keys must be text");
      }
      size_t keyLength = 0;
      const char* keyBytes = lua_tolstring(L_, -2, &keyLength);
      const std::string key(keyBytes, keyLength);
      const std::string inner = where.empty() ? key : where + "." + key;
      const std::u16string wideKey = text(lua_gettop(L_) - 1, inner);
      object.setMember(wideKey, encode(lua_gettop(L_), inner));
      lua_pop(L_, 1);
    }
    path_.pop_back();
    return object;
  }

  lua_State* L_;
  std::vector<const void*> path_;   // tables being written, outermost first
};

// Pushes `value` as a Lua value; null pushes nil.
void pushJson(lua_State* L, const JObject& value) {
  luaL_checkstack(L, 4, "jsonDecode: nested too deep");
  switch (value.type()) {
    case JType::Null: lua_pushnil(L); break;
    case JType::Boolean: lua_pushboolean(L, value.asBoolean()); break;
    case JType::Number: lua_pushnumber(L, value.asNumber()); break;
    case JType::String: {
      const std::string text = jsonTextToUtf8(value.asString());
      lua_pushlstring(L, text.data(), text.size());
      break;
    }
    case JType::Array: {
      const JObject::Elements& elements = value.elements();
      lua_createtable(L, int(elements.size()), 0);
      int i = 0;
      for (const JObject& element : elements) {
        pushJson(L, element);
        lua_rawseti(L, -2, ++i);   // a null leaves a hole at its place
      }
      break;
    }
    case JType::Object: {
      const JObject::Members& members = value.members();
      lua_createtable(L, 0, int(members.size()));
      for (const auto& [key, member] : members) {
        const std::string name = jsonTextToUtf8(key);
        lua_pushlstring(L, name.data(), name.size());
        pushJson(L, member);
        lua_rawset(L, -3);   // a null member stays absent
      }
      break;
    }
  }
}

int pushFailure(lua_State* L, const std::string& message) {
  lua_pushnil(L);
  lua_pushlstring(L, message.data(), message.size());
  return 2;
}

// jsonEncode(value) -> JSON text, or nil and a message.
int jsonEncode(lua_State* L) {
  lua_settop(L, 1);
  std::string text;
  try {
    text = Encoder(L).encode(1, "").toText();
  } catch (const EncodeRefusal& refusal) {
    return pushFailure(L, refusal.message);
  }
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}

// jsonDecode(text) -> the value, or nil and a message.
int jsonDecode(lua_State* L) {
  if (lua_type(L, 1) != LUA_TSTRING) return pushFailure(L, "jsonDecode: the argument is not text");
  size_t length = 0;
  const char* text = lua_tolstring(L, 1, &length);
  if (std::strlen(text) != length) return pushFailure(L, "jsonDecode: the text holds a zero byte");
  JObject value;
  try {
    value = JObject::parse(text);
  } catch (const JParseException& e) {
    return pushFailure(L, "jsonDecode: malformed JSON at byte " + std::to_string(e.position()));
  }
  pushJson(L, value);
  return 1;
}

const luaL_Reg kJsonFunctions[] = {
    {"jsonEncode", guardedCall<jsonEncode>},
    {"jsonDecode", guardedCall<jsonDecode>},
    {nullptr, nullptr},
};

}  // namespace

void registerJsonApi(lua_State* L) { registerGlobals(L, kJsonFunctions); }

}  // namespace kavri
