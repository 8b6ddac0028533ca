// ScriptHost: the registry helpers in a real state, print, script errors and
// containment of errors raised under native dispatch.
#include "script/script_host.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "package/file_system.h"
#include "support/debug_log.h"
#include "tests/helpers/registry_prelude.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

std::vector<std::wstring> g_reports;
std::vector<std::wstring> g_log;

// The seam's message box: script error boxes are recorded, never shown.
int WINAPI recordReport(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
  if (caption && std::wstring(caption) == kErrorCaption) g_reports.push_back(text ? text : L"");
  return IDOK;
}
void recordLog(const std::wstring& line) { g_log.push_back(line); }

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class ScriptHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_reports.clear();
    g_log.clear();
    setDebugLogSink(recordLog);
    SystemSeam seam = realSystemSeam();
    seam.messageBox = recordReport;
    previousSeam_ = replaceSystemSeam(seam);
    setCurrentFileSystem(&files_);
  }
  void TearDown() override {
    if (lua_State* L = ScriptHost::instance().state()) {
      (void)L;
      ScriptHost::instance().runScript(L"(none)");   // closes the state
    }
    setCurrentFileSystem(nullptr);
    setDebugLogSink(nullptr);
    replaceSystemSeam(previousSeam_);
  }
  // Runs `script` as "UI.lua" with the registry prelude defined first.
  void runUi(const std::string& script) {
    files_.addFile(L"UI.lua", bytes(test::registryPrelude() + " " + script));
    ASSERT_TRUE(ScriptHost::instance().createState());
    ScriptHost::instance().runScript(L"UI.lua");
  }
  MemoryFileSystem files_;
  SystemSeam previousSeam_{};
};

TEST_F(ScriptHostTest, RegistryHelpersBehaveAsTheHostExpects) {
  struct Case {
    const char* what;
    const char* chunk;   // asserts with error() on failure
  };
  const Case cases[] = {
      {"window queries on missing handles",
       "local w = {} lua_addWindow(w, 'A', 1) "
       "assert(lua_queryWindow(w, 2) == nil) assert(lua_queryWindowHandle(w, 'B') == 0) "
       "assert(lua_queryWindow(w, 1) == 'A') assert(lua_queryWindowHandle(w, 'A') == 1) "
       "lua_removeWindow(w, 1) assert(#w == 0)"},
      {"message handler result, and 0 without entry or handler",
       "local w = {} lua_addWindow(w, 'A', 1) "
       "assert(lua_invokeMessageHandler(w, 'A', 'x') == 0) "
       "lua_setMessageHandler(w, 'A', function(t) return #t, 'ignored' end) "
       "assert(lua_invokeMessageHandler(w, 'A', 'four') == 4) "
       "assert(lua_invokeMessageHandler(w, 'B', 'x') == 0)"},
      {"killTimer for another window's timer leaves it",
       "local t = {} lua_setTimer(t, 7, print, 1) lua_killTimer(t, 7, 2) assert(#t == 1) "
       "lua_killTimer(t, 7, 1) assert(#t == 0)"},
      {"removeTimer removes adjacent entries and keeps order",
       "local t = {} local log = {} "
       "for i, w in ipairs({1, 2, 2, 1, 2, 3}) do lua_setTimer(t, i, function() log[#log+1] = i end, w) end "
       "lua_removeTimer(t, 2) assert(#t == 3) "
       "assert(t[1][1] == 1 and t[2][1] == 4 and t[3][1] == 6) "
       "lua_onTimer(t, 4) lua_onTimer(t, 2) assert(#log == 1 and log[1] == 4)"},
      {"controls in both maps",
       "local c = {{}, {}} local obj = {} lua_addControl(c, obj, 42) "
       "assert(lua_queryControl(c, 42) == obj) assert(lua_queryControlHandle(c, obj) == 42) "
       "assert(type(lua_queryControlDispatcher(c, obj)) == 'table') "
       "lua_removeControl(c, 42) assert(lua_queryControl(c, 42) == nil) "
       "assert(lua_queryControlHandle(c, obj) == nil) assert(lua_queryControlDispatcher(c, obj) == nil)"},
      {"addHandler and removeHandler results",
       "local d = {} local f, g = function() end, function() end "
       "assert(lua_addHandler(d, 2, f) == true) assert(lua_addHandler(d, 2, g) == nil) "
       "assert(lua_removeHandler(d, 2, f) == nil) assert(#d[2] == 1) "
       "assert(lua_removeHandler(d, 2, g) == true) assert(d[2] == nil) "
       "assert(lua_removeHandler(d, 9, f) == true)"},
      {"invokeHandlers stops at the first true",
       "local d = {} local calls = {} "
       "lua_addHandler(d, 5, function(s, c, a, b) calls[#calls+1] = 'a' .. s .. c .. a .. b end) "
       "lua_addHandler(d, 5, function() calls[#calls+1] = 'b' return 1 end) "
       "lua_addHandler(d, 5, function() calls[#calls+1] = 'c' return true end) "
       "assert(lua_invokeHandlers(d, 'S', 5, 1, 2) == true) "
       "assert(#calls == 2 and calls[1] == 'aS512' and calls[2] == 'b') "
       "assert(lua_invokeHandlers(d, 'S', 6, 0, 0) == false)"},
      {"a handler removing itself does not skip the next",
       "local d = {} local ran = {} local first "
       "first = function() ran[#ran+1] = 1 lua_removeHandler(d, 3, first) end "
       "lua_addHandler(d, 3, first) lua_addHandler(d, 3, function() ran[#ran+1] = 2 end) "
       "lua_invokeHandlers(d, nil, 3, 0, 0) assert(#ran == 2 and #d[3] == 1)"},
      {"the host created the three registries",
       "local r = debug.getregistry() assert(type(r.__window) == 'table') "
       "assert(type(r.__timer) == 'table') assert(type(r.__control[1]) == 'table') "
       "assert(type(r.__control[2]) == 'table')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_reports.clear();
    runUi(c.chunk);
    EXPECT_TRUE(g_reports.empty()) << (g_reports.empty() ? "" : std::string(g_reports[0].begin(), g_reports[0].end()));
  }
}

TEST_F(ScriptHostTest, PrintGoesToTheDebuggerOutput) {
  // The system API's print takes one text argument and adds no line end.
  runUi("print('hello', 12, nil, true)");
  EXPECT_TRUE(g_reports.empty());
  ASSERT_FALSE(g_log.empty());
  EXPECT_EQ(g_log.back(), L"hello");
}

TEST_F(ScriptHostTest, ErrorsAreReportedOnceWithTheirPosition) {
  struct Case {
    const char* what;
    std::string script;
    std::wstring expected;
  };
  const Case cases[] = {
      {"runtime error", "local x = 1\nerror('boom')", L"UI.lua:2: boom"},
      {"compile error", "local = 1", L"UI.lua:1:"},
      {"non-string error value", "error({})", L"(error object is not a string)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_reports.clear();
    runUi(c.script);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].find(c.expected), 0u) << std::string(g_reports[0].begin(), g_reports[0].end());
    EXPECT_EQ(ScriptHost::instance().state(), nullptr);
  }
}

TEST_F(ScriptHostTest, MissingScriptIsReported) {
  ASSERT_TRUE(ScriptHost::instance().createState());
  ScriptHost::instance().runScript(L"absent.lua");
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0], L"cannot load script absent.lua");
  EXPECT_EQ(ScriptHost::instance().state(), nullptr);
}

// A folder holding "planted.lua", named by LUA_PATH and LUA_PATH_5_2 and made
// the current folder while it lives: what a standard user could arrange
// around an elevated installer.
class PlantedModuleFolder {
 public:
  PlantedModuleFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"kavri_planted_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    const std::string code = "planted_ran = true\nreturn {}\n";
    for (const wchar_t* name : {L"\\planted.lua", L"\\sub\\planted.lua"}) {
      ::CreateDirectoryW((folder_ + L"\\sub").c_str(), nullptr);
      UniqueFile file(::CreateFileW((folder_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      DWORD written = 0;
      ::WriteFile(file.get(), code.data(), DWORD(code.size()), &written, nullptr);
    }
    ::GetCurrentDirectoryW(MAX_PATH, previousFolder_);
    ::SetCurrentDirectoryW(folder_.c_str());
    const std::string path = narrowPath() + "\\?.lua;" + narrowPath() + "\\sub\\?.lua";
    for (const char* name : {"LUA_PATH", "LUA_PATH_5_2", "LUA_CPATH", "LUA_CPATH_5_2"}) {
      _putenv_s(name, path.c_str());
      ::SetEnvironmentVariableA(name, path.c_str());
    }
  }
  ~PlantedModuleFolder() {
    for (const char* name : {"LUA_PATH", "LUA_PATH_5_2", "LUA_CPATH", "LUA_CPATH_5_2"}) {
      _putenv_s(name, "");
      ::SetEnvironmentVariableA(name, nullptr);
    }
    ::SetCurrentDirectoryW(previousFolder_);
    ::DeleteFileW((folder_ + L"\\sub\\planted.lua").c_str());
    ::RemoveDirectoryW((folder_ + L"\\sub").c_str());
    ::DeleteFileW((folder_ + L"\\planted.lua").c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

 private:
  std::string narrowPath() const { return std::string(folder_.begin(), folder_.end()); }
  std::wstring folder_;
  wchar_t previousFolder_[MAX_PATH] = {};
};

// require finds the installer's own packaged modules, and nothing from the
// environment's search paths or the current folder.
TEST_F(ScriptHostTest, RequireLoadsOnlyPackagedModules) {
  PlantedModuleFolder planted;
  files_.addFile(L"helper.lua", bytes("return { value = 42 }"));
  files_.addFile(L"lib/deep.lua", bytes("return ... .. '|' .. select(2, ...)"));
  files_.addFile(L"broken.lua", bytes("return +"));
  runUi("assert(require('helper').value == 42, 'packaged module')\n"
        "assert(require('lib.deep') == 'lib.deep|lib/deep.lua', 'dotted name')\n"
        "assert(package.path == '' and package.cpath == '', 'no search paths')\n"
        "for _, name in ipairs({'planted', 'sub.planted'}) do\n"
        "  local ok, message = pcall(require, name)\n"
        "  assert(not ok and not planted_ran, 'a planted module ran: ' .. name)\n"
        "  assert(message:find(\"no packaged file '\" .. name:gsub('%.', '/') .. \".lua'\", 1, true), message)\n"
        "end\n"
        "local ok, message = pcall(require, 'broken')\n"
        "assert(not ok and message:find('broken.lua', 1, true), message)\n"
        "print('require checked')\n");
  EXPECT_TRUE(g_reports.empty()) << (g_reports.empty() ? "" : std::string(g_reports[0].begin(), g_reports[0].end()));
  bool printed = false;
  for (const std::wstring& line : g_log) printed = printed || line.find(L"require checked") != std::wstring::npos;
  EXPECT_TRUE(printed);
}

// configurationText turns a table into configuration text that reads back as
// the same table, whatever its strings hold; nothing in them runs as code.
TEST_F(ScriptHostTest, ConfigurationTextReadsBackAndNeverRunsItsStrings) {
  runUi(R"lua(
    local function same(a, b)
      if type(a) ~= type(b) then return false end
      if type(a) ~= "table" then return a == b end
      for k, v in pairs(a) do if not same(v, b[k]) then return false end end
      for k in pairs(b) do if a[k] == nil then return false end end
      return true
    end
    local cases = {
      { installPath = "C:\\Program Files\\Kavri\\" },
      { installPath = "D:\\x]==] injected = true --[==[" },
      { installPath = "D:\\x]] injected = true --[[" },
      { installPath = "\" injected = true --" },
      { installPath = "line\nbreak\r\0zero\1\127\255", quote = "'\"\\" },
      { installPath = "C:\\文件夹\\" , size = 3, ratio = 0.1, big = 2^60, negative = -7, flag = false },
      { nested = { list = { "a", "b", 3 }, [true] = "yes", [10] = "ten" } },
      {},
    }
    for i, case in ipairs(cases) do
      local text = configurationText(case)
      local chunk = assert(load("config = " .. text))
      config = nil
      chunk()
      assert(same(config, case), "case " .. i .. " read back differently: " .. text)
      assert(injected == nil, "case " .. i .. " ran code: " .. text)
    end
    for _, bad in ipairs({ { f = print }, { [{}] = 1 }, { n = 0/0 }, { n = math.huge }, print }) do
      assert(not pcall(configurationText, bad), "accepted a value it cannot write")
    end
    local cycle = {} cycle.self = cycle
    assert(not pcall(configurationText, cycle), "accepted a cycle")
    assert(configurationText({ b = 1, a = 2 }) == '{ ["a"] = 2, ["b"] = 1 }', configurationText({ b = 1, a = 2 }))
  )lua");
  EXPECT_TRUE(g_reports.empty()) << (g_reports.empty() ? "" : std::string(g_reports[0].begin(), g_reports[0].end()));
}

// A window procedure that calls back into the script, as event dispatch does.
LRESULT CALLBACK dispatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) {
    lua_State* L = ScriptHost::instance().state();
    lua_pushvalue(L, 1);   // the callback passed to dispatch()
    ScriptHost::instance().callFromNative(0, 0);
    return 1;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool g_quitPosted = false;   // whether a quit message waited after the last dispatch
lua_Integer g_callsSeen = -1;   // the script's global "calls" once both dispatches returned

// dispatch(fn): calls fn from inside a window procedure, twice; afterwards
// re-raises a contained error like every API function that ran a message loop.
int luaDispatch(lua_State* L) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = dispatchProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ScriptHostTestDispatch";
  ::RegisterClassW(&wc);
  HWND hwnd = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ::SendMessageW(hwnd, WM_APP, 0, 0);
  ::SendMessageW(hwnd, WM_APP, 0, 0);
  ::DestroyWindow(hwnd);
  MSG msg;
  g_quitPosted = ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
  lua_getglobal(L, "calls");
  g_callsSeen = lua_isnumber(L, -1) ? lua_tointeger(L, -1) : -1;
  lua_pop(L, 1);
  ScriptHost::instance().raisePendingError(L);
  return 0;
}

TEST_F(ScriptHostTest, ErrorUnderNativeDispatchIsContained) {
  files_.addFile(L"UI.lua", bytes(test::registryPrelude() + " " +
                                  "calls = 0\n"
                                  "dispatch(function() calls = calls + 1 error('inner') end)\n"
                                  "reached = true\n"));
  ASSERT_TRUE(ScriptHost::instance().createState());
  lua_State* L = ScriptHost::instance().state();
  lua_register(L, "dispatch", luaDispatch);
  g_quitPosted = false;
  g_callsSeen = -1;
  ScriptHost::instance().runScript(L"UI.lua");
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0], L"UI.lua:2: inner");
  // The callback ran once; after its error the second dispatch was skipped
  // (dispatch saw the global before re-raising the error, which ends the
  // script before "reached" is set).
  EXPECT_EQ(g_callsSeen, 1);
  // The quit message that unwinds modal loops was posted; the error box
  // dropped it again, so it cannot close the box at once.
  EXPECT_TRUE(g_quitPosted);
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ScriptHostTest, NoFurtherScriptCallsAfterAContainedError) {
  files_.addFile(L"UI.lua", bytes(test::registryPrelude() + " " +
                                  "calls = 0\n"
                                  "local ok = pcall(dispatch, function() calls = calls + 1 error('inner') end)\n"
                                  "print('calls=' .. calls)\n"));
  ASSERT_TRUE(ScriptHost::instance().createState());
  lua_register(ScriptHost::instance().state(), "dispatch", luaDispatch);
  ScriptHost::instance().runScript(L"UI.lua");
  // The second dispatch was skipped; the script's own pcall caught the re-raised
  // error, yet the run still reports the contained error once.
  ASSERT_FALSE(g_log.empty());
  bool sawCount = false;
  for (const std::wstring& line : g_log) sawCount |= line == L"calls=1";
  EXPECT_TRUE(sawCount);
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0], L"UI.lua:2: inner");
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace
}  // namespace kavri
