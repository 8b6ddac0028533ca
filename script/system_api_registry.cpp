// System API, registry: regQueryString, regQueryInteger, regWriteString,
// regWriteInteger, regQueryValue, regWriteValue, regDeleteValue,
// regDeleteSubKey, regDeleteEmptyKey, regKeyExists, and the HKEY_* and REG_*
// globals.
//
// A root is a predefined key handle passed as a number (its bits read as a
// signed 32-bit integer). Keys are opened with KEY_ALL_ACCESS in the process's
// own registry view. An empty value name addresses the key's default value.
#include <windows.h>
#include <shlwapi.h>

#include <cstdint>
#include <string>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

HKEY argRoot(lua_State* L, int index) {
  const auto bits = static_cast<uint32_t>(static_cast<int32_t>(argInteger(L, index)));
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(bits));
}

// Root, key path and value name of the query, write and delete functions.
struct ValueAddress {
  HKEY root = nullptr;
  std::wstring key;
  std::wstring name;
};

bool argValueAddress(lua_State* L, ValueAddress& address) {
  address.root = argRoot(L, 1);
  return argBoundedText(L, 2, address.key) && argBoundedText(L, 3, address.name);
}

bool openExisting(const ValueAddress& address, UniqueHkey& key) {
  return ::RegOpenKeyExW(address.root, address.key.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS;
}

bool createOrOpen(const ValueAddress& address, UniqueHkey& key) {
  return ::RegCreateKeyExW(address.root, address.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// regQueryString(root, key, name) -> text or nothing: REG_SZ values only.
int regQueryString(lua_State* L) {
  ValueAddress address;
  UniqueHkey key;
  if (!argValueAddress(L, address) || !openExisting(address, key)) return 0;
  wchar_t buffer[kTextArgumentUnits] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(buffer);
  if (::RegQueryValueExW(key.get(), address.name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return 0;
  // A stored value need not end with a zero unit: take only the bytes read.
  std::wstring text(buffer, bytes / sizeof(wchar_t));
  const size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  pushWide(L, text);
  return 1;
}

// regQueryInteger(root, key, name) -> number or nothing: REG_DWORD values only.
int regQueryInteger(lua_State* L) {
  ValueAddress address;
  UniqueHkey key;
  if (!argValueAddress(L, address) || !openExisting(address, key)) return 0;
  DWORD value = 0, type = 0, bytes = sizeof(value);
  if (::RegQueryValueExW(key.get(), address.name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  lua_pushinteger(L, static_cast<int32_t>(value));
  return 1;
}

// regWriteString(root, key, name, value): creates the key, writes REG_SZ.
int regWriteString(lua_State* L) {
  ValueAddress address;
  UniqueHkey key;
  if (!argValueAddress(L, address) || !createOrOpen(address, key)) return 0;
  const std::wstring value = argText(L, 4);
  ::RegSetValueExW(key.get(), address.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
  return 0;
}

// regWriteInteger(root, key, name, value): creates the key, writes REG_DWORD.
int regWriteInteger(lua_State* L) {
  ValueAddress address;
  UniqueHkey key;
  if (!argValueAddress(L, address) || !createOrOpen(address, key)) return 0;
  const DWORD value = static_cast<DWORD>(argInteger(L, 4));
  ::RegSetValueExW(key.get(), address.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
  return 0;
}

int pushRegistryFailure(lua_State* L, lua_Integer code) {
  lua_pushnil(L);
  lua_pushinteger(L, code);
  return 2;
}

// regQueryValue(root, key, name) -> the value's type and its exact bytes (any
// type, any length, embedded zeros and all), or nil and the Windows error (2
// when the key or the value is missing). What it gives, regWriteValue writes
// back unchanged: how an installer saves a value to restore it on undo.
int regQueryValue(lua_State* L) {
  ValueAddress address;
  if (!argValueAddress(L, address)) return pushRegistryFailure(L, ERROR_INVALID_PARAMETER);
  UniqueHkey key;
  LONG status = ::RegOpenKeyExW(address.root, address.key.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (status != ERROR_SUCCESS) return pushRegistryFailure(L, status);
  DWORD type = 0, bytes = 0;
  status = ::RegQueryValueExW(key.get(), address.name.c_str(), nullptr, &type, nullptr, &bytes);
  std::string data;
  // The value may grow between asking its size and reading it: ask again.
  for (int attempt = 0; status == ERROR_SUCCESS && bytes > 0 && attempt < 8; ++attempt) {
    data.resize(bytes);
    DWORD read = bytes;
    status = ::RegQueryValueExW(key.get(), address.name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                                &read);
    if (status == ERROR_SUCCESS) {
      data.resize(read);
      break;
    }
    if (status == ERROR_MORE_DATA) {
      bytes = read;
      status = ERROR_SUCCESS;
    }
  }
  if (status != ERROR_SUCCESS) return pushRegistryFailure(L, status);
  lua_pushinteger(L, lua_Integer(type));
  lua_pushlstring(L, data.data(), data.size());
  return 2;
}

// regWriteValue(root, key, name, type, data) -> true, or false and the Windows
// error: creates the key path and writes `data` (a string, taken as its exact
// bytes) as a value of `type` (a REG_* number), with nothing added or checked.
int regWriteValue(lua_State* L) {
  ValueAddress address;
  size_t length = 0;
  const char* data = lua_type(L, 5) == LUA_TSTRING ? lua_tolstring(L, 5, &length) : nullptr;
  if (!argValueAddress(L, address) || !data || length > MAXDWORD) {
    lua_pushboolean(L, 0);
    lua_pushinteger(L, ERROR_INVALID_PARAMETER);
    return 2;
  }
  const DWORD type = static_cast<DWORD>(argInteger(L, 4));
  UniqueHkey key;
  LONG status = ::RegCreateKeyExW(address.root, address.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, key.put(), nullptr);
  // The system counts a string value's terminator for the caller when the
  // data end in a non-zero unit that a zero unit follows in memory (Lua's own
  // terminator can be that zero). Such data are written from a copy followed by
  // a non-zero unit, so exactly the bytes given are stored.
  std::string copy;
  const bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (stringType && length >= 2 && (data[length - 2] != 0 || data[length - 1] != 0)) {
    copy.assign(data, length);
    copy.append("\xff\xff", 2);
    data = copy.data();
  }
  if (status == ERROR_SUCCESS)
    status = ::RegSetValueExW(key.get(), address.name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data),
                              DWORD(length));
  if (status != ERROR_SUCCESS) {
    lua_pushboolean(L, 0);
    lua_pushinteger(L, status);
    return 2;
  }
  lua_pushboolean(L, 1);
  return 1;
}

// regDeleteValue(root, key, name)
int regDeleteValue(lua_State* L) {
  ValueAddress address;
  UniqueHkey key;
  if (argValueAddress(L, address) && openExisting(address, key)) ::RegDeleteValueW(key.get(), address.name.c_str());
  return 0;
}

// regDeleteSubKey(root, key): deletes the key tree. An empty key (or one of
// separators only) would name the root itself and wipe everything under it:
// such a call is refused.
int regDeleteSubKey(lua_State* L) {
  const HKEY root = argRoot(L, 1);
  std::wstring key;
  if (!argBoundedText(L, 2, key) || key.find_first_not_of(L'\\') == std::wstring::npos) return 0;
  ::SHDeleteKeyW(root, key.c_str());
  return 0;
}

// regDeleteEmptyKey(root, key) -> true when the key was there, held neither
// values nor keys, and is deleted; false (and the key stays) otherwise. An
// installer removes the keys it made on the way to its own this way: another
// program's values or keys below them keep them.
int regDeleteEmptyKey(lua_State* L) {
  const HKEY root = argRoot(L, 1);
  std::wstring path;
  bool deleted = false;
  if (argBoundedText(L, 2, path) && path.find_first_not_of(L'\\') != std::wstring::npos) {
    UniqueHkey key;
    DWORD subKeys = 0, values = 0;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys == 0 && values == 0) {
      key.reset();
      // RegDeleteKeyW refuses a key that has gained a key since; never the tree.
      deleted = ::RegDeleteKeyW(root, path.c_str()) == ERROR_SUCCESS;
    }
  }
  lua_pushboolean(L, deleted);
  return 1;
}

// regKeyExists(root, key) -> true when the key is there (whether or not it
// holds values), so an installer knows whether it made a key or found it.
int regKeyExists(lua_State* L) {
  const HKEY root = argRoot(L, 1);
  std::wstring path;
  UniqueHkey key;
  const bool exists = argBoundedText(L, 2, path) &&
                      ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
  lua_pushboolean(L, exists);
  return 1;
}

const luaL_Reg kRegistryFunctions[] = {
    {"regQueryString", guardedCall<regQueryString>},
    {"regQueryInteger", guardedCall<regQueryInteger>},
    {"regWriteString", guardedCall<regWriteString>},
    {"regWriteInteger", guardedCall<regWriteInteger>},
    {"regQueryValue", guardedCall<regQueryValue>},
    {"regWriteValue", guardedCall<regWriteValue>},
    {"regDeleteValue", guardedCall<regDeleteValue>},
    {"regDeleteSubKey", guardedCall<regDeleteSubKey>},
    {"regDeleteEmptyKey", guardedCall<regDeleteEmptyKey>},
    {"regKeyExists", guardedCall<regKeyExists>},
    {nullptr, nullptr},
};

struct RootGlobal {
  const char* name;
  int32_t value;
};

const RootGlobal kRootGlobals[] = {
    {"HKEY_CLASSES_ROOT", INT32_MIN},
    {"HKEY_CURRENT_USER", INT32_MIN + 1},
    {"HKEY_LOCAL_MACHINE", INT32_MIN + 2},
    {"HKEY_USERS", INT32_MIN + 3},
};

// Value types for regQueryValue and regWriteValue.
const RootGlobal kTypeGlobals[] = {
    {"REG_NONE", REG_NONE},         {"REG_SZ", REG_SZ},         {"REG_EXPAND_SZ", REG_EXPAND_SZ},
    {"REG_BINARY", REG_BINARY},     {"REG_DWORD", REG_DWORD},   {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN},
    {"REG_MULTI_SZ", REG_MULTI_SZ}, {"REG_QWORD", REG_QWORD},
};

}  // namespace

void registerRegistryApi(lua_State* L) {
  registerGlobals(L, kRegistryFunctions);
  for (const RootGlobal& root : kRootGlobals) {
    lua_pushinteger(L, root.value);
    lua_setglobal(L, root.name);
  }
  for (const RootGlobal& type : kTypeGlobals) {
    lua_pushinteger(L, type.value);
    lua_setglobal(L, type.name);
  }
}

}  // namespace kavri
