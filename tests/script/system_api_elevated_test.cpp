// The functions for an installer that runs elevated, driven through Lua: the
// install folder and guarded removal as scripts see them (the walks
// themselves are tested in tests/support), the private temporary folder, the
// copy that never replaces, and starting a program as the signed-in user.
//
// Wine elevates every process and runs a desktop shell, so the started
// program's parent tells the two ways apart: this process when not elevated,
// the shell's explorer when elevated. What Wine cannot show: that the shell's
// token is really unelevated (Wine has no split tokens), and a session with no
// shell at all (the system account); the seam stands in for the latter.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "support/folders.h"
#include "support/text_convert.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/links.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/lua_test_state.h"

namespace kavri {
namespace {

using test::LuaTestState;

// The text of a file once it appears (up to 10 s), or "" when it does not.
std::string waitForFile(const std::wstring& path, DWORD ms = 10000) {
  for (DWORD waited = 0; waited < ms; waited += 100) {
    const std::string text = test::readFileBytes(path);
    if (text != "<unreadable>" && !text.empty()) return text;
    ::Sleep(100);
  }
  return "";
}

class ElevatedApi : public ::testing::Test {
 protected:
  void SetUp() override {
    lua_.setText("BASE", scratch_.path());
    ASSERT_EQ(lua_.run(R"lua(
      function writeFile(path, text)
        assert(writeWholeFile(path, text or "data"))
      end)lua"),
              "");
  }

  test::ScratchFolder scratch_{L"elevated_api"};
  LuaTestState lua_;
};

TEST_F(ElevatedApi, InstallFolderAsScriptsSeeIt) {
  EXPECT_EQ(lua_.run(R"lua(
    local ok, created = createInstallFolder(BASE .. "\\Apps\\Kavri")
    assert(ok == true, tostring(created))
    assert(#created == 2 and created[1] == BASE .. "\\Apps" and created[2] == BASE .. "\\Apps\\Kavri")
    ok, created = createInstallFolder(BASE .. "/Apps/Kavri", "machine")
    assert(ok == true and #created == 0, "nothing new")
    assert(installFolderIsSafe(BASE .. "\\Apps\\Kavri") == true)
    assert(installFolderIsSafe(BASE .. "\\Apps\\Kavri\\not yet") == true)
    assert(select("#", installFolderIsSafe(BASE)) == 1, "a single true")

    writeFile(BASE .. "\\file.txt")
    local cases = {
      {"a file", installFolderIsSafe, {BASE .. "\\file.txt"}, "file"},
      {"no path", installFolderIsSafe, {""}, "invalid"},
      {"a mode that does not exist", installFolderIsSafe, {BASE, "everyone"}, "invalid"},
      {"a drive root", createInstallFolder, {"C:\\"}, "root"},
      {"a file, made", createInstallFolder, {BASE .. "\\file.txt\\x", "user"}, "file"},
    }
    for _, c in ipairs(cases) do
      local ok, message, reason = c[2](table.unpack(c[3]))
      assert(ok == false, c[1])
      assert(type(message) == "string" and message ~= "", c[1] .. ": a message")
      assert(reason == c[4], c[1] .. ": " .. tostring(reason))
    end
  )lua"),
            "");
}

TEST_F(ElevatedApi, RemovalHashesAndTheLogAsScriptsSeeThem) {
  EXPECT_EQ(lua_.run(R"lua(
    assert(createDirectory(BASE .. "\\root"))
    writeFile(BASE .. "\\root\\a.txt", "installed")
    writeFile(BASE .. "\\root\\log.json", "{}")
    writeFile(BASE .. "\\elsewhere.txt")
    local hash = fileSha256(BASE .. "\\root\\a.txt")
    assert(hash == "a51a6c19a1ffc7416827e89adf20749d23ad42452c396cf7e627409f2896922c", tostring(hash))
    local none, why = fileSha256(BASE .. "\\none")
    assert(none == nil and why:find("error 2", 1, true), tostring(why))

    local cases = {
      {"a hash that is not one", {BASE .. "\\root", BASE .. "\\root\\a.txt", "abc"}, "invalid"},
      {"a hash that is not text", {BASE .. "\\root", BASE .. "\\root\\a.txt", {}}, "invalid"},
      {"outside", {BASE .. "\\root", BASE .. "\\elsewhere.txt"}, "outside"},
      {"no root", {"", BASE .. "\\root\\a.txt"}, "invalid"},
      {"another content", {BASE .. "\\root", BASE .. "\\root\\a.txt", string.rep("0", 64)}, "changed"},
    }
    for _, c in ipairs(cases) do
      local ok, message, reason = removeInsideFolder(table.unpack(c[2]))
      assert(ok == false and type(message) == "string", c[1])
      assert(reason == c[3], c[1] .. ": " .. tostring(reason))
    end
    assert(removeInsideFolder(BASE .. "\\root", BASE .. "\\root\\a.txt", hash:upper()) == true)
    assert(not fileExists(BASE .. "\\root\\a.txt"))

    assert(fileIsProtected(BASE .. "\\root\\log.json") == true)
    local ok, message, reason = fileIsProtected(BASE .. "\\root")
    assert(ok == false and reason == "folder", tostring(reason))
    assert(readProtectedFile(BASE .. "\\root\\log.json", "machine") == "{}")
    local text, why, word = readProtectedFile(BASE .. "\\root\\none.json")
    assert(text == nil and why:find("none.json", 1, true) and word == "missing", tostring(word))
    text, why, word = readProtectedFile(BASE .. "\\root\\log.json", "nobody")
    assert(text == nil and word == "invalid", tostring(word))
  )lua"),
            "");
}

TEST_F(ElevatedApi, PrivateTemporaryFolders) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  wchar_t userTemp[MAX_PATH + 1] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH + 1, userTemp), 0u);
  struct Case {
    const char* what;
    bool elevated;
    std::wstring parent;
  };
  const Case cases[] = {
      {"elevated: the system's temporary folder", true, std::wstring(windows) + L"\\Temp\\"},
      {"not elevated: the user's", false, userTemp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ElevationOverride elevation(c.elevated);
    lua_.setText("PARENT", c.parent);
    ASSERT_EQ(lua_.run(R"lua(
      FIRST, SECOND = createPrivateTempFolder(), createPrivateTempFolder()
      for _, folder in ipairs({FIRST, SECOND}) do
        assert(folder:lower():sub(1, #PARENT) == PARENT:lower(), folder .. " is not in " .. PARENT)
        assert(folder:sub(#PARENT + 1):match("^Kavri%-%x+$") and #folder == #PARENT + 22, folder)
        assert(folderExists(folder) and directoryEmpty(folder), folder)
      end
      assert(FIRST ~= SECOND, "a new folder each time")
    )lua"),
              "");
    lua_getglobal(lua_.get(), "FIRST");
    lua_getglobal(lua_.get(), "SECOND");
    for (int index : {-2, -1}) {
      const std::wstring folder = utf8ToWide(lua_tostring(lua_.get(), index));
      EXPECT_FALSE(test::everyoneHasAnEntry(folder)) << "made with its own permissions: " << testing::PrintToString(folder);
      EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));
    }
    lua_pop(lua_.get(), 2);
  }
}

// Wine hides a dangling link from every listing, yet a new file cannot be
// made at its name: the link is made while its target exists, which is then
// removed (and put back at the end, so the link can be seen and removed).
TEST_F(ElevatedApi, CopiesNeverReplace) {
  const std::wstring planted = scratch_ / L"nowhere\\planted.exe";
  test::writeTree(scratch_ / L"nowhere", {{L"planted.exe", "target"}});
  const test::TestLink dangling(scratch_ / L"dangling.exe", planted, test::TestLink::File);
  ASSERT_TRUE(::DeleteFileW(planted.c_str()));
  lua_.setText("DANGLING", dangling.made() ? scratch_ / L"dangling.exe" : L"");
  EXPECT_EQ(lua_.run(R"lua(
    writeFile(BASE .. "\\source.exe", "new")
    writeFile(BASE .. "\\taken.exe", "old")
    assert(copyFileNoReplace(BASE .. "\\source.exe", BASE .. "\\copy.exe") == true)
    assert(readWholeFile(BASE .. "\\copy.exe") == "new")
    local cases = {
      {"a file there", BASE .. "\\source.exe", BASE .. "\\taken.exe", 80},
      {"a missing source", BASE .. "\\none.exe", BASE .. "\\copy2.exe", 2},
      {"no target", BASE .. "\\source.exe", "", 87},
    }
    if DANGLING ~= "" then cases[#cases + 1] = {"a dangling link there", BASE .. "\\source.exe", DANGLING, 80} end
    for _, c in ipairs(cases) do
      local ok, code = copyFileNoReplace(c[2], c[3])
      assert(ok == false and code == c[4], c[1] .. ": " .. tostring(code))
    end
    assert(readWholeFile(BASE .. "\\taken.exe") == "old", "the file there is unchanged")
    assert(not fileExists(BASE .. "\\nowhere\\planted.exe"), "nothing written where the link leads")
  )lua"),
            "");
  test::writeFileBytes(planted, "target");
  if (!dangling.made()) GTEST_SKIP() << "no file link can be made here: its case was left out";
}

class StartAsUser : public ElevatedApi {
 protected:
  // Starts the helper through shellExecuteAsUser; returns "" or the failure.
  std::string start(const std::wstring& report) {
    lua_.setText("HELPER", test::windowsPath(KAVRI_REPORT_PARENT_EXE));
    lua_.setText("REPORT", report);
    return lua_.run(R"lua(
      RESULT, REASON = shellExecuteAsUser(HELPER, '"' .. REPORT .. '"', "", 1)
    )lua");
  }
  bool result() {
    lua_getglobal(lua_.get(), "RESULT");
    const bool ok = lua_toboolean(lua_.get(), -1) != 0;
    lua_pop(lua_.get(), 1);
    return ok;
  }
  std::string reason() {
    lua_getglobal(lua_.get(), "REASON");
    const char* text = lua_tostring(lua_.get(), -1);
    std::string out = text ? text : "";
    lua_pop(lua_.get(), 1);
    return out;
  }
};

TEST_F(StartAsUser, NotElevatedStartsItItself) {
  test::ElevationOverride elevation(false);
  ASSERT_EQ(start(scratch_ / L"direct.txt"), "");
  ASSERT_TRUE(result()) << reason();
  EXPECT_EQ(waitForFile(scratch_ / L"direct.txt"), std::to_string(::GetCurrentProcessId()));
}

TEST_F(StartAsUser, ElevatedWithoutADesktopShellStartsNothing) {
  test::ElevationOverride elevation(true, false);
  ASSERT_EQ(start(scratch_ / L"refused.txt"), "");
  EXPECT_FALSE(result());
  EXPECT_NE(reason().find("not started"), std::string::npos) << reason();
  EXPECT_EQ(waitForFile(scratch_ / L"refused.txt", 2000), "") << "never started with this process's rights";
  EXPECT_EQ(lua_.run(R"lua(
    local ok, why = shellExecuteAsUser("")
    assert(ok == false and why:find("no file", 1, true), tostring(why))
  )lua"),
            "");
}

TEST_F(StartAsUser, ElevatedAsksTheDesktopShell) {
  test::ElevationOverride elevation(true);
  ASSERT_EQ(start(scratch_ / L"shell.txt"), "");
  if (!result()) GTEST_SKIP() << "no desktop shell here: " << reason();
  const std::string parent = waitForFile(scratch_ / L"shell.txt");
  ASSERT_NE(parent, "") << "the shell did not start it";
  EXPECT_NE(parent, std::to_string(::GetCurrentProcessId())) << "started by the shell, not by this process";
}

}  // namespace
}  // namespace kavri
