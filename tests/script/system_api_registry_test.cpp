// System API registry functions, driven through Lua, on a test key under
// HKEY_CURRENT_USER (and one value under HKEY_LOCAL_MACHINE).
#include <gtest/gtest.h>

#include <shlwapi.h>

#include "tests/script/lua_test_state.h"

namespace kavri {
namespace {

using test::LuaTestState;

constexpr wchar_t kTestKey[] = L"Software\\KavriSystemApiTest";

class RegistryApi : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
  }
  void TearDown() override { SetUp(); }

  static void setRaw(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    ::RegCloseKey(key);
  }

  LuaTestState lua_;
};

TEST_F(RegistryApi, RootGlobalsHoldTheHandleBits) {
  EXPECT_EQ(lua_.run(R"lua(
    assert(HKEY_CLASSES_ROOT == -2147483648)
    assert(HKEY_CURRENT_USER == -2147483647)
    assert(HKEY_LOCAL_MACHINE == -2147483646)
    assert(HKEY_USERS == -2147483645)
  )lua"),
            "");
}

TEST_F(RegistryApi, WriteReadDeleteRoundTrips) {
  EXPECT_EQ(lua_.run(R"lua(
    local K = "Software\\KavriSystemApiTest"
    local HK = HKEY_CURRENT_USER
    local long = string.rep("z", 300)
    regWriteString(HK, K .. "\\A\\B", "", "x")
    regWriteString(HK, K, "name", "wert \xC3\xA4\xE4\xB8\xAD")
    regWriteString(HK, K, "long", long)
    regWriteString(HK, K, "fits", string.rep("f", 259))
    regWriteInteger(HK, K, "count", 42)
    regWriteInteger(HK, K, "negative", -5)
    regWriteInteger(HK, K, "big", 4294967295)
    local cases = {
      {"default value of a created key", regQueryString, K .. "\\A\\B", "", "x"},
      {"UTF-8 text", regQueryString, K, "name", "wert \xC3\xA4\xE4\xB8\xAD"},
      {"259 characters fit", regQueryString, K, "fits", string.rep("f", 259)},
      {"longer than the buffer", regQueryString, K, "long", nil},
      {"integer", regQueryInteger, K, "count", 42},
      {"negative integer", regQueryInteger, K, "negative", -5},
      {"all bits set reads as -1", regQueryInteger, K, "big", -1},
      {"string read as integer", regQueryInteger, K, "name", nil},
      {"integer read as string", regQueryString, K, "count", nil},
      {"missing value", regQueryString, K, "none", nil},
      {"missing key", regQueryString, K .. "\\Nope", "name", nil},
      {"missing key, integer", regQueryInteger, K .. "\\Nope", "count", nil},
      {"root given as text", function(_, k, n) return regQueryInteger(tostring(HK), k, n) end, K, "count", 42},
    }
    for _, c in ipairs(cases) do
      local n = select("#", c[2](HK, c[3], c[4]))
      assert(c[2](HK, c[3], c[4]) == c[5], c[1])
      assert(n == (c[5] == nil and 0 or 1), c[1] .. ": result count")
    end
    regDeleteValue(HK, K, "count")
    assert(regQueryInteger(HK, K, "count") == nil, "deleted value")
    assert(regQueryInteger(HK, K, "negative") == -5, "other values stay")
    regDeleteValue(HK, K .. "\\Nope", "x")   -- missing key: nothing happens
    regDeleteSubKey(HK, K .. "\\A\\B")
    assert(regKeyExists(HK, K .. "\\A"), "a key without values exists")
    assert(not regKeyExists(HK, K .. "\\A\\B"), "a deleted key does not")
    regDeleteSubKey(HK, K .. "\\A")
    assert(regQueryString(HK, K .. "\\A\\B", "") == nil, "key tree deleted")
    assert(regQueryString(HK, K, "name") ~= nil, "parent kept")
    assert(regKeyExists(HK, K) and not regKeyExists(HK, K .. "\\A") and not regKeyExists(HK, K .. "\\Nope"))
  )lua"),
            "");
}

TEST_F(RegistryApi, ExpandableStringGivesNothingAndDefaultValueCountsItsZero) {
  const wchar_t expand[] = L"%TEMP%\\x";
  setRaw(HKEY_CURRENT_USER, L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
  ASSERT_EQ(lua_.run(R"lua(
    local K = "Software\\KavriSystemApiTest"
    assert(select("#", regQueryString(HKEY_CURRENT_USER, K, "expand")) == 0)
    regWriteString(HKEY_CURRENT_USER, K .. "\\A\\B", "", "x")
  )lua"),
            "");
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KavriSystemApiTest\\A\\B", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD type = 0, bytes = 0;
  EXPECT_EQ(::RegQueryValueExW(key, L"", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(bytes, 4u) << "one character and its terminating zero";
}

// A stored REG_SZ that fills the buffer without a terminating zero is read
// within the buffer, never past it.
TEST_F(RegistryApi, UnterminatedStringStaysInsideTheBuffer) {
  std::wstring full(260, L'u');
  setRaw(HKEY_CURRENT_USER, L"full", REG_SZ, full.data(), DWORD(full.size() * 2));
  EXPECT_EQ(lua_.run(R"lua(
    local v = regQueryString(HKEY_CURRENT_USER, "Software\\KavriSystemApiTest", "full")
    assert(v == nil or v == string.rep("u", 260), "got " .. tostring(v and #v))
  )lua"),
            "");
}

TEST_F(RegistryApi, LocalMachineRootReachesTheRegistry) {
  const DWORD value = 7;
  setRaw(HKEY_LOCAL_MACHINE, L"machine", REG_DWORD, &value, 4);
  EXPECT_EQ(lua_.run(R"lua(
    assert(regQueryInteger(HKEY_LOCAL_MACHINE, "Software\\KavriSystemApiTest", "machine") == 7)
    assert(regQueryInteger(HKEY_CURRENT_USER, "Software\\KavriSystemApiTest", "machine") == nil)
  )lua"),
            "");
}

// Values of every type, as exact bytes of any length: what regQueryValue
// reads, regWriteValue writes back unchanged, so an undo restores a value
// that regQueryString and regQueryInteger cannot read (and would count as
// absent) byte for byte.
TEST_F(RegistryApi, RawValuesRoundTripEveryType) {
  const wchar_t longExpand[] = L"%ProgramFiles%\\Kavri;%ProgramFiles%\\Kavri\\bin;%SystemRoot%\\system32;%Path%";
  std::wstring longText;
  while (longText.size() < 300) longText += longExpand;
  setRaw(HKEY_CURRENT_USER, L"path", REG_EXPAND_SZ, longText.c_str(), DWORD((longText.size() + 1) * 2));
  EXPECT_EQ(lua_.run(R"lua(
    local K = "Software\\KavriSystemApiTest"
    local HK = HKEY_CURRENT_USER
    local big = string.rep("\0\1\2\255", 20000)   -- 80,000 bytes
    local cases = {
      {"REG_SZ", REG_SZ, "a\0b\0\0\0"},
      {"REG_SZ without its zero", REG_SZ, "a\0b\0"},
      {"REG_SZ, empty", REG_SZ, ""},
      {"REG_EXPAND_SZ", REG_EXPAND_SZ, "%\0T\0%\0\0\0"},
      {"REG_MULTI_SZ", REG_MULTI_SZ, "a\0\0\0b\0\0\0\0\0"},
      {"REG_BINARY with zeros", REG_BINARY, "\0\0\1\0"},
      {"REG_BINARY of odd length", REG_BINARY, "\1\2\3"},
      {"REG_BINARY, empty", REG_BINARY, ""},
      {"REG_DWORD", REG_DWORD, "\1\2\3\4"},
      {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, "\4\3\2\1"},
      {"REG_QWORD", REG_QWORD, "\1\2\3\4\5\6\7\8"},
      {"REG_NONE", REG_NONE, "xyz"},
      {"larger than 64 KB", REG_BINARY, big},
      {"a type of its own", 1234, "raw"},
    }
    for i, c in ipairs(cases) do
      local name = "value" .. i
      assert(regWriteValue(HK, K .. "\\Raw", name, c[2], c[3]) == true, c[1] .. ": written")
      local t, d = regQueryValue(HK, K .. "\\Raw", name)
      assert(t == c[2], c[1] .. ": type " .. tostring(t))
      assert(d == c[3], c[1] .. ": " .. #tostring(d) .. " bytes")
    end
    assert(select("#", regQueryValue(HK, K .. "\\Raw", "value1")) == 2)

    -- Save, overwrite, restore: the undo of a value the string functions cannot read.
    assert(regQueryString(HK, K, "path") == nil, "too long and expandable for regQueryString")
    local savedType, saved = regQueryValue(HK, K, "path")
    assert(savedType == REG_EXPAND_SZ and #saved > 600)
    regWriteString(HK, K, "path", "changed by the installer")
    assert(regWriteValue(HK, K, "path", savedType, saved))
    local t, d = regQueryValue(HK, K, "path")
    assert(t == REG_EXPAND_SZ and d == saved, "restored byte for byte")
    regWriteInteger(HK, K, "count", 7)
    t, d = regQueryValue(HK, K, "count")
    assert(t == REG_DWORD and d == "\7\0\0\0")

    local failures = {
      {"a missing value", function() return regQueryValue(HK, K, "none") end, nil, 2},
      {"a missing key", function() return regQueryValue(HK, K .. "\\None", "x") end, nil, 2},
      {"data that is not text", function() return regWriteValue(HK, K, "x", REG_BINARY, 12) end, false, 87},
      {"no data", function() return regWriteValue(HK, K, "x", REG_BINARY) end, false, 87},
      {"a key name too long", function() return regWriteValue(HK, string.rep("k", 300), "x", REG_SZ, "") end,
       false, 87},
    }
    for _, f in ipairs(failures) do
      local first, code = f[2]()
      assert(first == f[3] and code == f[4], f[1] .. ": " .. tostring(first) .. ", " .. tostring(code))
    end
    assert(regQueryValue(HK, K, "x") == nil, "nothing written by a refused call")
  )lua"),
            "");
}

// A key made on the way to another goes only while nothing is in it.
TEST_F(RegistryApi, AnEmptyKeyIsDeletedAndAKeyWithAnythingInItStays) {
  EXPECT_EQ(lua_.run(R"lua(
    local HK, K = HKEY_CURRENT_USER, "Software\\KavriSystemApiTest"
    regWriteString(HK, K .. "\\Values", "v", "1")
    regWriteString(HK, K .. "\\Parent\\Child", "v", "1")
    regWriteValue(HK, K .. "\\Default", "", REG_SZ, "x\0\0\0")
    regWriteValue(HK, K .. "\\Empty", "x", REG_SZ, "\0\0")
    regDeleteValue(HK, K .. "\\Empty", "x")
    -- what, the key below K, the answer, whether the key is there afterwards
    local cases = {
      {"a key with a value", "Values", false, true},
      {"a key with a key below it", "Parent", false, true},
      {"a key with its default value", "Default", false, true},
      {"an empty key", "Empty", true, false},
      {"an empty key, again", "Empty", false, false},
      {"a missing key", "Nope", false, false},
    }
    for _, c in ipairs(cases) do
      local path = K .. "\\" .. c[2]
      assert(regDeleteEmptyKey(HK, path) == c[3], c[1])
      assert(regKeyExists(HK, path) == c[4], c[1] .. ": there afterwards")
    end
    assert(regQueryString(HK, K .. "\\Parent\\Child", "v") == "1", "nothing below a kept key is touched")
    assert(regDeleteEmptyKey(HK, "") == false and regDeleteEmptyKey(HK, "\\") == false and regDeleteEmptyKey(HK) == false)
  )lua"),
            "");
}

// An empty key would name the root itself: deleting it would wipe the hive.
TEST_F(RegistryApi, DeletingTheRootItselfIsRefused) {
  EXPECT_EQ(lua_.run(R"lua(
    local K = "Software\\KavriSystemApiTest"
    regWriteString(HKEY_CURRENT_USER, K, "keep", "1")
    for _, key in ipairs({"", "\\", "\\\\"}) do regDeleteSubKey(HKEY_CURRENT_USER, key) end
    regDeleteSubKey(HKEY_CURRENT_USER)
    assert(regQueryString(HKEY_CURRENT_USER, K, "keep") == "1")
  )lua"),
            "");
}

}  // namespace
}  // namespace kavri
