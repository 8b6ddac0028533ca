// System API files and folders, driven through Lua: folder trees, file copy,
// move and removal, existence tests, and the refusal of over-long paths.
#include <gtest/gtest.h>

#include "script/lua_convert.h"
#include "support/folders.h"
#include "tests/script/lua_test_state.h"

namespace kavri {
namespace {

using test::LuaTestState;

// Test-only global: setReadOnly(path) marks a file or folder read-only.
int setReadOnly(lua_State* L) {
  const std::wstring path = argText(L, 1);
  ::SetFileAttributesW(path.c_str(), ::GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY);
  return 0;
}

std::wstring unusedDriveRoot() {
  const DWORD used = ::GetLogicalDrives();
  for (int letter = 'Q'; letter <= 'Y'; ++letter)
    if (!(used & (1u << (letter - 'A')))) return std::wstring(1, wchar_t(letter)) + L":";
  return L"";
}

class FilesApi : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = test::freshTempFolder(L"kavri_files_test");
    lua_.setText("BASE", base_);
    lua_.setText("MISSING_DRIVE", unusedDriveRoot());
    lua_register(lua_.get(), "setReadOnly", setReadOnly);
    ASSERT_EQ(lua_.run(R"lua(
      function writeFile(path, text)
        local f = assert(io.open(path, "wb")); f:write(text or "data"); f:close()
      end
      function readFile(path)
        local f = io.open(path, "rb"); if not f then return nil end
        local t = f:read("*a"); f:close(); return t
      end)lua"),
              "");
  }
  void TearDown() override { removeDirectoryTree(base_); }

  std::wstring base_;
  LuaTestState lua_;
};

TEST_F(FilesApi, CreateDirectoryBuildsEveryParent) {
  EXPECT_EQ(lua_.run(R"lua(
    assert(MISSING_DRIVE ~= "", "no free drive letter for the test")
    writeFile(BASE .. "\\plainfile")
    local cases = {
      {"forward slashes", BASE .. "/a/b/c", true},
      {"doubled and trailing separators", BASE .. "\\\\d\\\\e\\", true},
      {"already there", BASE .. "\\a\\b", true},
      {"missing drive", MISSING_DRIVE .. "/x/y", false},
      {"file in the way", BASE .. "\\plainfile\\sub", false},
      {"empty path", "", false},
      {"nil argument", nil, false},
    }
    for _, c in ipairs(cases) do
      assert(createDirectory(c[2]) == c[3], c[1])
    end
    assert(directoryEmpty(BASE .. "\\a\\b\\c"), "new folder is empty")
    assert(not fileExists(BASE .. "\\a\\b\\c"), "fileExists is false for a folder")
    assert(not directoryEmpty(BASE .. "\\a"), "a holds b")
  )lua"),
            "");
}

TEST_F(FilesApi, RemoveDirectoryDeletesReadOnlyContent) {
  EXPECT_EQ(lua_.run(R"lua(
    local root = BASE .. "\\tree"
    assert(createDirectory(root .. "\\sub\\deeper"))
    for _, f in ipairs({"\\one.txt", "\\sub\\two.txt", "\\sub\\deeper\\three.txt"}) do
      writeFile(root .. f); setReadOnly(root .. f)
    end
    setReadOnly(root .. "\\sub")
    removeDirectory(root:gsub("\\", "/") .. "/")   -- forward slashes and a trailing one
    assert(directoryEmpty(root), "tree gone")
    assert(select("#", removeDirectory(root)) == 0, "returns nothing, also when absent")
  )lua"),
            "");
}

TEST_F(FilesApi, RemoveDirectoryDropsLinksWithoutFollowingThem) {
  const std::wstring outside = base_ + L"\\outside";
  const std::wstring tree = base_ + L"\\tree";
  ASSERT_TRUE(createDirectoryTree(outside));
  ASSERT_TRUE(createDirectoryTree(tree));
  HANDLE keep = ::CreateFileW((outside + L"\\keep.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(keep, INVALID_HANDLE_VALUE);
  ::CloseHandle(keep);
  if (!::CreateSymbolicLinkW((tree + L"\\link").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
    GTEST_SKIP() << "folder links not available here";
  EXPECT_EQ(lua_.run(R"lua(
    removeDirectory(BASE .. "\\tree")
    assert(directoryEmpty(BASE .. "\\tree"), "tree with its link removed")
    assert(fileExists(BASE .. "\\outside\\keep.txt"), "the link's target is untouched")
  )lua"),
            "");
}

TEST_F(FilesApi, CopyMoveAndRemoveFiles) {
  EXPECT_EQ(lua_.run(R"lua(
    local a, b, c = BASE .. "\\a.txt", BASE .. "\\b.txt", BASE .. "\\c.txt"
    writeFile(a, "first")
    writeFile(c, "old")
    local steps = {
      {"copy", function() return copyFile(a, b) end, true},
      {"copy overwrites", function() writeFile(a, "second"); return copyFile(a, b) end, true},
      {"copy from missing", function() return copyFile(BASE .. "\\none", b) end, false},
      {"move replaces", function() return moveFile(b, c) end, true},
      {"move from missing", function() return moveFile(b, c) end, false},
      {"remove", function() return removeFile(a) end, true},
      {"remove missing", function() return removeFile(a) end, false},
      {"remove a folder", function() return removeFile(BASE) end, false},
    }
    for _, s in ipairs(steps) do
      assert(s[2]() == s[3], s[1])
    end
    assert(readFile(c) == "second", "moved content replaced the old file")
    assert(not fileExists(b) and fileExists(c) and not fileExists(a))
    setReadOnly(c)
    assert(removeFile(c), "read-only file removed")
    assert(not fileExists(c))
  )lua"),
            "");
}

TEST_F(FilesApi, ExistenceTests) {
  EXPECT_EQ(lua_.run(R"lua(
    writeFile(BASE .. "\\file")
    assert(createDirectory(BASE .. "\\empty"))
    local cases = {   -- path, fileExists, directoryEmpty
      {BASE .. "\\file", true, false},
      {BASE .. "\\empty", false, true},
      {BASE, false, false},
      {BASE .. "\\missing", false, true},
      {"", false, true},
    }
    for i, c in ipairs(cases) do
      assert(fileExists(c[1]) == c[2], "fileExists case " .. i)
      assert(directoryEmpty(c[1]) == c[3], "directoryEmpty case " .. i)
    end
    assert(not volumeExists(MISSING_DRIVE .. "\\"), "absent drive")
    assert(volumeExists(BASE:sub(1, 3)), "the drive holding the temporary folder is fixed")
  )lua"),
            "");
}

// getFreeSpace answers for the volume of the nearest existing folder, so a
// folder page can check a destination that does not exist yet; it agrees
// with the system's own figure for the temporary folder's volume.
TEST_F(FilesApi, GetFreeSpaceOfAFolderNotYetMade) {
  ULARGE_INTEGER available{};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(base_.c_str(), &available, nullptr, nullptr));
  lua_pushnumber(lua_.get(), lua_Number(available.QuadPart));
  lua_setglobal(lua_.get(), "SYSTEM_FREE");
  EXPECT_EQ(lua_.run(R"lua(
    writeFile(BASE .. "\\file")
    local function near(n) return type(n) == "number" and math.abs(n - SYSTEM_FREE) < 64 * 1024 * 1024 end
    local found = {
      {"existing folder", BASE},
      {"missing folders below it", BASE .. "\\not\\yet\\made"},
      {"trailing separator and slashes", BASE .. "/new/"},
      {"below a file", BASE .. "\\file\\sub"},
    }
    for _, c in ipairs(found) do
      local free, message = getFreeSpace(c[2])
      assert(near(free), c[1] .. ": " .. tostring(free) .. " " .. tostring(message))
    end
    local refused = {
      {"missing drive", MISSING_DRIVE .. "\\Program Files\\Kavri"},
      {"empty path", ""},
      {"over-long path", BASE .. "\\" .. string.rep("x", 300)},
    }
    for _, c in ipairs(refused) do
      local free, message = getFreeSpace(c[2])
      assert(free == nil and type(message) == "string" and message:find("getFreeSpace", 1, true), c[1])
    end
  )lua"),
            "");
}

// A path that does not fit the 260-unit buffer is refused as a whole; it is
// never cut down to a shorter path that names something else.
TEST_F(FilesApi, OverlongPathsAreRefusedNotCut) {
  EXPECT_EQ(lua_.run(R"lua(
    local victim = BASE .. "\\" .. string.rep("v", 259 - #BASE - 1)
    assert(#victim == 259)
    writeFile(victim)
    assert(fileExists(victim), "a 259-unit path is accepted")
    local long = victim .. "\\more"
    local calls = {
      {"removeFile", function() return removeFile(long) end, false},
      {"fileExists", function() return fileExists(long) end, false},
      {"copyFile", function() return copyFile(victim, long) end, false},
      {"moveFile", function() return moveFile(long, BASE .. "\\x") end, false},
      {"createDirectory", function() return createDirectory(BASE .. "\\" .. string.rep("d", 300)) end, false},
      {"directoryEmpty", function() return directoryEmpty(long) end, false},
    }
    for _, c in ipairs(calls) do
      assert(c[2]() == c[3], c[1])
    end
    removeDirectory(long)
    assert(fileExists(victim), "the shorter path was not touched")
  )lua"),
            "");
}

}  // namespace
}  // namespace kavri
