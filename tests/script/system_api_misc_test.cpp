// System API: registration, argument conversion, the instance mutex and the
// restart marker, reboot and message boxes (through the recording seam),
// shortcuts, special folders and environment.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "script/lua_convert.h"
#include "script/system_api.h"
#include "support/debug_log.h"
#include "support/folders.h"
#include "support/instance_guard.h"
#include "support/win32_handles.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/lua_test_state.h"

namespace kavri {
namespace {

using test::LuaTestState;
using test::RecordingSeam;

constexpr char kAllFunctions[] = R"lua(
  ALL = {"sleep", "killProcess", "removeFile", "moveFile", "copyFile", "removeDirectory",
    "createDirectory", "shellExecuteEx", "fileExists", "print", "getAppDataFolder",
    "getProgramFolder", "getTempFolder", "getDesktopFolder", "getStartMenuFolder",
    "createShortCut", "reboot", "volumeExists", "directoryEmpty", "setCurrentDirectory",
    "isWOW32", "isProcessRunning", "showMessageBox", "getProcessPath", "regQueryString",
    "regQueryInteger", "regWriteString", "regWriteInteger", "regDeleteValue",
    "regDeleteSubKey", "markRestart", "releaseMutex", "setEnvVar", "isVista", "isWin8",
    "getRunningProcess", "killRunningProcess", "installFolderIsSafe", "moveFileAtRestart",
    "getFreeSpace", "listEntries", "regQueryValue", "regWriteValue", "createInstallFolder",
    "fileIsProtected", "readProtectedFile", "fileSha256", "removeInsideFolder", "removeInsideFolderAtRestart",
    "createPrivateTempFolder", "copyFileNoReplace", "shellExecuteAsUser", "isElevated",
    "regDeleteEmptyKey"}
)lua";

TEST(SystemApi, RegistersAllFunctionsAndReplacesPrint) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  lua_getglobal(L, "print");
  const void* standardPrint = lua_topointer(L, -1);
  lua_pop(L, 1);
  registerSystemApi(L);
  lua_getglobal(L, "print");
  EXPECT_NE(lua_topointer(L, -1), standardPrint);
  lua_pop(L, 1);
  lua_close(L);

  LuaTestState lua;
  EXPECT_EQ(lua.run(std::string(kAllFunctions) + R"lua(
    assert(#ALL == 54)
    for _, name in ipairs(ALL) do assert(type(_G[name]) == "function", name) end
  )lua"),
            "");
}

std::vector<std::wstring> g_output;
void recordOutput(const std::wstring& text) { g_output.push_back(text); }

// print and fileExists's diagnostics reach the debugger output unchanged.
TEST(SystemApi, DebuggerOutput) {
  LuaTestState lua;
  const std::wstring folder = test::freshTempFolder(L"kavri_output_test");
  lua.setText("FOLDER", folder);
  g_output.clear();
  setDebugLogSink(recordOutput);
  EXPECT_EQ(lua.run(R"lua(
    print("line one\n") print(42) print() print("a", "b") print("\xC3\xA4")
    fileExists(FOLDER) fileExists(FOLDER .. "\\missing")
  )lua"),
            "");
  setDebugLogSink(nullptr);
  const std::vector<std::wstring> expected = {L"line one\n", L"42", L"", L"a", L"\u00e4",
                                              L"ATTR = 0x10 AND = 0x10\n", L"INVALID_FILE_ATTRIBUTES\n"};
  EXPECT_EQ(g_output, expected);
  removeDirectoryTree(folder);
}

// Arguments of the wrong type read as "" or 0; no function raises a Lua error.
// removeDirectory is left out: an empty path is refused by it, and a test must
// not risk a drive root should that ever regress. createPrivateTempFolder
// takes no arguments and would leave a folder behind for each call.
TEST(SystemApi, WrongArgumentTypesNeverRaise) {
  RecordingSeam seam;
  ASSERT_TRUE(acquireInstanceMutex() == InstanceResult::First);
  LuaTestState lua;
  EXPECT_EQ(lua.run(std::string(kAllFunctions) + R"lua(
    local argumentSets = { {}, {{}, {}, {}, {}, {}}, {true, false, print, 1.5, "x"} }
    for _, name in ipairs(ALL) do
      if name ~= "removeDirectory" and name ~= "shellExecuteEx" and name ~= "createPrivateTempFolder" then
        for i, args in ipairs(argumentSets) do
          local ok, err = pcall(_G[name], table.unpack(args))
          assert(ok, name .. " raised with argument set " .. i .. ": " .. tostring(err))
        end
      end
    end
    assert(shellExecuteEx({}, {}, {}, {}, {}) == false)
  )lua"),
            "");
  releaseInstanceMutex();
  test::writeMarker(nullptr);
}

TEST(LuaConvert, ArgumentsAndResults) {
  LuaTestState lua;
  lua_State* L = lua.get();
  struct TextCase {
    const char* what;
    void (*push)(lua_State*);
    std::wstring text;
    lua_Integer integer;
  };
  const TextCase cases[] = {
      {"string", [](lua_State* L) { lua_pushstring(L, "abc"); }, L"abc", 0},
      {"numeric string", [](lua_State* L) { lua_pushstring(L, " 12 "); }, L" 12 ", 12},
      {"integer", [](lua_State* L) { lua_pushnumber(L, 42); }, L"42", 42},
      {"fraction rounds", [](lua_State* L) { lua_pushnumber(L, 2.75); }, L"2.75", 3},
      {"negative fraction rounds", [](lua_State* L) { lua_pushnumber(L, -2.75); }, L"-2.75", -3},
      {"half rounds to even", [](lua_State* L) { lua_pushnumber(L, 2.5); }, L"2.5", 2},
      {"wraps to 32 bits", [](lua_State* L) { lua_pushnumber(L, 4294967295.0); }, L"4294967295", -1},
      {"handle bits", [](lua_State* L) { lua_pushnumber(L, 2147483650.0); }, L"2147483650", INT32_MIN + 2},
      {"UTF-8", [](lua_State* L) { lua_pushstring(L, "\xC3\xA4\xE4\xB8\xAD"); }, L"\u00e4\u4e2d", 0},
      {"stops at zero byte", [](lua_State* L) { lua_pushlstring(L, "a\0b", 3); }, L"a", 0},
      {"nil", [](lua_State* L) { lua_pushnil(L); }, L"", 0},
      {"boolean", [](lua_State* L) { lua_pushboolean(L, 1); }, L"", 0},
      {"table", [](lua_State* L) { lua_newtable(L); }, L"", 0},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.what);
    lua_settop(L, 0);
    c.push(L);
    EXPECT_EQ(argInteger(L, 1), c.integer);
    EXPECT_EQ(argText(L, 1), c.text);
    EXPECT_EQ(argText(L, 2), L"") << "missing argument";
    EXPECT_EQ(argInteger(L, 2), 0) << "missing argument";
  }
  lua_settop(L, 0);
  pushWide(L, L"\u00e4\u4e2d");
  EXPECT_STREQ(lua_tostring(L, -1), "\xC3\xA4\xE4\xB8\xAD");
  lua_settop(L, 0);

  std::wstring text;
  lua_pushstring(L, std::string(259, 'p').c_str());
  EXPECT_TRUE(argBoundedText(L, 1, text));
  EXPECT_EQ(text.size(), 259u);
  lua_pushstring(L, std::string(260, 'p').c_str());
  EXPECT_FALSE(argBoundedText(L, 2, text));
  EXPECT_TRUE(text.empty());
}

TEST(SystemApi, ReleaseMutexTwiceClosesItOnce) {
  ASSERT_TRUE(acquireInstanceMutex() == InstanceResult::First);
  LuaTestState lua;
  EXPECT_EQ(lua.run("releaseMutex() releaseMutex()"), "");
  EXPECT_FALSE(holdsInstanceMutex());
  // A new instance may now start.
  HANDLE next = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
  EXPECT_NE(::GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  ::CloseHandle(next);
  releaseInstanceMutex();   // start-up's own close: nothing left to close
}

TEST(SystemApi, MarkRestartBlocksStartUntilShutdownTimeChanges) {
  const uint8_t before[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  const uint8_t after[8] = {9, 8, 7, 6, 5, 4, 3, 3};
  test::setShutdownTime(before);
  test::writeMarker(nullptr);
  LuaTestState lua;
  EXPECT_EQ(lua.run("markRestart()"), "");
  std::vector<uint8_t> marker;
  ASSERT_TRUE(test::readMarker(marker));
  EXPECT_EQ(marker, std::vector<uint8_t>(before, before + 8));
  EXPECT_TRUE(isRestartPending()) << "a new start is refused";
  EXPECT_TRUE(isRestartPending()) << "and stays refused";
  test::setShutdownTime(after);
  EXPECT_FALSE(isRestartPending()) << "the machine restarted";
  EXPECT_FALSE(test::readMarker(marker));
}

TEST(SystemApi, RebootAndMessageBoxGoThroughTheSeam) {
  RecordingSeam seam;
  LuaTestState lua;
  RecordingSeam::messageBoxResult = IDCANCEL;
  EXPECT_EQ(lua.run(R"lua(assert(showMessageBox("text", "caption", 1) == 2))lua"), "");
  EXPECT_EQ(lua.run(R"lua(assert(select("#", reboot()) == 0))lua"), "");
  ASSERT_EQ(RecordingSeam::rebootFlags.size(), 1u);
  EXPECT_EQ(RecordingSeam::rebootFlags[0], UINT(EWX_REBOOT | EWX_FORCE));
  ASSERT_EQ(RecordingSeam::messages.size(), 1u) << "success shows nothing";

  RecordingSeam::rebootResult = FALSE;
  RecordingSeam::rebootError = 1314;
  EXPECT_EQ(lua.run("reboot()"), "");
  ASSERT_EQ(RecordingSeam::messages.size(), 2u);
  EXPECT_EQ(RecordingSeam::messages[1], L"重启电脑失败，原因：1314。 请手动重启电脑。");
}

// The system's list of renames due at the next restart: pairs of NT paths
// ("\??\C:\..."), an empty target meaning deletion.
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

std::vector<std::wstring> pendingRenames() {
  std::vector<std::wstring> list;
  UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return list;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS && bytes) {
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 2, 0);
    if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &bytes) ==
        ERROR_SUCCESS) {
      // Pairs; an empty target is an empty string between two terminators.
      const size_t units = bytes / sizeof(wchar_t);
      size_t at = 0;
      while (at < units && text[at]) {
        std::wstring source(text.data() + at);
        at += source.size() + 1;
        std::wstring target(at < units ? text.data() + at : L"");
        at += target.size() + 1;
        list.push_back(source + L" -> " + target);
      }
    }
  }
  return list;
}

void setPendingRenames(const std::vector<std::wstring>& list) {
  UniqueHkey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
  if (list.empty()) {
    ::RegDeleteValueW(key.get(), kPendingRenames);
  } else {
    std::wstring text;
    for (const std::wstring& pair : list) {
      const size_t arrow = pair.find(L" -> ");
      text += pair.substr(0, arrow) + L'\0' + pair.substr(arrow + 4) + L'\0';
    }
    text += L'\0';
    ::RegSetValueExW(key.get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(text.data()),
                     DWORD(text.size() * sizeof(wchar_t)));
  }
}

// moveFileAtRestart schedules a replacement and a deletion with the system;
// nothing moves now. The list is put back as it was afterwards.
TEST(SystemApi, MoveFileAtRestartSchedulesWithTheSystem) {
  const std::vector<std::wstring> before = pendingRenames();
  const std::wstring folder = test::freshTempFolder(L"kavri_restart_move_test");
  LuaTestState lua;
  lua.setText("FOLDER", folder);
  EXPECT_EQ(lua.run(R"lua(
    for _, name in ipairs({"new.dll", "old.dll", "self.exe"}) do
      local f = assert(io.open(FOLDER .. "\\" .. name, "wb")); f:write(name); f:close()
    end
    assert(moveFileAtRestart(FOLDER .. "\\new.dll", FOLDER .. "\\old.dll") == true, "replacement")
    assert(moveFileAtRestart(FOLDER .. "\\self.exe") == true, "deletion")
    assert(fileExists(FOLDER .. "\\new.dll") and fileExists(FOLDER .. "\\self.exe"), "nothing moved yet")
    local ok, code = moveFileAtRestart("")
    assert(ok == false and code == 87, "no source: " .. tostring(code))
  )lua"),
            "");
  const std::vector<std::wstring> after = pendingRenames();
  auto scheduled = [&](const std::wstring& source, const std::wstring& target) {
    for (const std::wstring& pair : after)
      if (::lstrcmpiW(pair.c_str(), (L"\\??\\" + folder + L"\\" + source + L" -> " + target).c_str()) == 0)
        return true;
    return false;
  };
  EXPECT_TRUE(scheduled(L"new.dll", L"!\\??\\" + folder + L"\\old.dll") ||
              scheduled(L"new.dll", L"\\??\\" + folder + L"\\old.dll"));
  EXPECT_TRUE(scheduled(L"self.exe", L""));
  setPendingRenames(before);
  removeDirectoryTree(folder);
}

TEST(SystemApi, CreateShortCutResolvesToItsTarget) {
  const std::wstring folder = test::freshTempFolder(L"kavri_shortcut_test");
  LuaTestState lua;
  lua.setText("FOLDER", folder);
  EXPECT_EQ(lua.run(R"lua(
    local target = FOLDER .. "\\target.txt"
    local f = assert(io.open(target, "wb")); f:write("t"); f:close()
    assert(createShortCut(target, FOLDER .. "\\target.lnk") == true)
    assert(fileExists(FOLDER .. "\\target.lnk"))
    assert(createShortCut(target, FOLDER .. "\\missing\\target.lnk") == false, "folder missing")
  )lua"),
            "");
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  {
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                             reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Load((folder + L"\\target.lnk").c_str(), STGM_READ)));
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(link->GetPath(path, MAX_PATH, nullptr, 0), S_OK);
    EXPECT_EQ(::lstrcmpiW(path, (folder + L"\\target.txt").c_str()), 0);
    file->Release();
    link->Release();
  }
  ::CoUninitialize();
  removeDirectoryTree(folder);
}

TEST(SystemApi, FoldersEnvironmentAndVersions) {
  LuaTestState lua;
  EXPECT_EQ(lua.run(R"lua(
    for _, name in ipairs({"getAppDataFolder", "getProgramFolder", "getDesktopFolder", "getStartMenuFolder"}) do
      local path = _G[name]()
      assert(type(path) == "string" and #path > 3, name)
      assert(path:sub(-1) ~= "\\", name .. " has no trailing backslash")
      assert(directoryEmpty(path) ~= nil and not fileExists(path), name .. " is a folder")
    end
    -- All users' folders by default or asked for by "machine"; the user's own
    -- ones, other than those, by "user"; an unknown mode gives nil and why.
    for _, name in ipairs({"getProgramFolder", "getDesktopFolder", "getStartMenuFolder"}) do
      local all, user = _G[name](), _G[name]("user")
      assert(_G[name]("machine") == all, name .. ": machine is the default")
      assert(type(user) == "string" and user:match("^%a:\\") and user:sub(-1) ~= "\\", name .. "(user)")
      assert(user:lower() ~= all:lower(), name .. ": the user's is not all users'")
      local none, why = _G[name]("everyone")
      assert(none == nil and tostring(why):find("\"user\"", 1, true), name .. " with an unknown mode")
    end
    local programs = (os.getenv("LOCALAPPDATA") or "") .. "\\Programs"
    assert(getProgramFolder("user"):lower() == programs:lower(), getProgramFolder("user"))
    local temp = getTempFolder()
    assert(temp:sub(-1) == "\\", "temporary folder ends with a backslash")
    local exe = getProcessPath()
    assert(exe:lower():find("system_api_misc_tests.exe", 1, true), exe)
    assert(isProcessRunning(exe) == true, "this test itself runs")
    setEnvVar("KAVRI_TEST_VAR", "value")
    setCurrentDirectory(temp)
    assert(createDirectory("kavri_relative_dir"))
    assert(directoryEmpty(temp .. "kavri_relative_dir"), "created under the current directory")
    removeDirectory(temp .. "kavri_relative_dir")
    assert(type(isVista()) == "boolean" and type(isWin8()) == "boolean" and type(isWOW32()) == "boolean")
    assert(isVista(), "Wine reports NT 6 or later")
    sleep(-1)   -- a negative time does not hang
    sleep(1)
  )lua"),
            "");
  wchar_t value[16] = {};
  EXPECT_EQ(::GetEnvironmentVariableW(L"KAVRI_TEST_VAR", value, 16), 5u);
  EXPECT_STREQ(value, L"value");
}

// isElevated answers what the system says of this process's token.
TEST(SystemApi, ElevationAsTheSystemSays) {
  for (const bool elevated : {true, false}) {
    test::ElevationOverride override(elevated);
    LuaTestState lua;
    EXPECT_EQ(lua.run(std::string("assert(isElevated() == ") + (elevated ? "true" : "false") + ")"), "");
  }
}

}  // namespace
}  // namespace kavri
