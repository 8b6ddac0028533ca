// startWork and the worker thread: the configuration text becoming the
// global `config`, one work at a time, the worker's require, failures
// reported from the worker, and shutdown with a notification pending.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "script/lua_work.h"
#include "script/sr_service.h"
#include "support/system_seam.h"
#include "support/text_convert.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

TEST_F(WorkTest, ConfigurationTextBecomesTheGlobalConfig) {
  struct Case {
    const char* what;
    std::string argument;   // Lua expression passed as startWork's third argument
    std::string seen;       // what the worker reports about `config`
    std::string logged;     // the debugger-output line, or "" for none
  };
  const Case cases[] = {
      {"long-bracket path ending in a backslash", "'{ installPath = [[C:\\\\Program Files\\\\Demo\\\\]] }'",
       "table|C:\\Program Files\\Demo\\", "config = { installPath = [[C:\\Program Files\\Demo\\]] }"},
      {"empty text", "''", "nil|nil", ""},
      {"no configuration argument", "nil", "nil|nil", ""},
      {"a table is not text", "{}", "nil|nil", ""},
      {"text that does not compile", "'{ installPath = '", "nil|nil", "config = { installPath = "},
      {"text that fails when run", "'error(\"no\")'", "nil|nil", "config = error(\"no\")"},
      {"a plain value", "'42'", "number|nil", "config = 42"},
      {"non-ASCII path", "'{ installPath = [[D:\\\\安装\\\\]] }'", "table|D:\\安装\\",
       "config = { installPath = [[D:\\安装\\]] }"},
  };
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local path = type(config) == 'table' and config.installPath or nil\n"
      "notifyMessage(type(config) .. '|' .. tostring(path))\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    runUi("assert(startWork('LG.lua', 'program.lz', " + c.argument + "))\n"
          "assert(waitWork())\n"
          "assert(#received == 1, 'notifications: ' .. #received)\n"
          "assert(received[1] == " + longString(c.seen) + ", received[1])\n");
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
    bool logged = false;
    for (const std::wstring& line : logLines()) logged |= line.rfind(L"config = ", 0) == 0 && narrow(line) == c.logged;
    bool anyConfigLine = false;
    for (const std::wstring& line : logLines()) anyConfigLine |= line.rfind(L"config = ", 0) == 0;
    if (c.logged.empty())
      EXPECT_FALSE(anyConfigLine);
    else
      EXPECT_TRUE(logged);
  }
}

TEST_F(WorkTest, ASecondStartWorkWhileOneRunsIsRefused) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript("notifyMessage('hold')\n");
  // The UI does not retrieve messages between the calls, so the first work is
  // still waiting for its answer when the second call comes.
  runUi("assert(startWork('LG.lua', 'program.lz', '') == true)\n"
        "assert(startWork('LG.lua', 'program.lz', '{ second = true }') == false)\n"
        "assert(waitWork())\n"
        "assert(#received == 1)\n"
        "assert(startWork('LG.lua', 'program.lz', '') == true)\n"
        "assert(waitWork())\n"
        "assert(#received == 2)\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());

  SRService::instance().stop();
  runUi("assert(startWork('LG.lua', 'program.lz', '') == false, 'started without the service')\n");
  expectNoErrors(uiErrors());
}

// The worker's require loads packaged modules only: a module planted in the
// current folder or named by LUA_PATH is never run.
TEST_F(WorkTest, TheWorkerRequiresOnlyPackagedModules) {
  const std::string planted = dir_ + "planted.lua";
  std::ofstream(planted, std::ios::binary) << "planted_ran = true return {}";
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(utf8ToWide(dir_).c_str());
  const std::string path = dir_ + "?.lua";
  _putenv_s("LUA_PATH", path.c_str());
  _putenv_s("LUA_PATH_5_2", path.c_str());
  setPackage({{u"a.txt", test::bytesOf("a")}});
  files_.addFile(L"shared.lua", test::bytesOf("return 'packaged'"));
  setWorkerScript("local ok = pcall(require, 'planted')\n"
                  "notifyMessage(tostring(ok) .. ',' .. tostring(planted_ran) .. ',' .. require('shared'))\n");
  runUi("assert(startWork('LG.lua', 'program.lz', ''))\n"
        "assert(waitWork())\n"
        "assert(received[1] == 'false,nil,packaged', received[1])\n");
  _putenv_s("LUA_PATH", "");
  _putenv_s("LUA_PATH_5_2", "");
  ::SetCurrentDirectoryW(previous);
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
}

TEST_F(WorkTest, BackgroundFailuresAreReportedAndTheWorkEnds) {
  struct Case {
    const char* what;
    const char* script;     // null: no "LG.lua"
    bool package;
    std::wstring report;    // expected start of the one report
  };
  const Case cases[] = {
      {"runtime error", "local x = 1\nerror('boom')\n", true, L"LG.lua:2: boom"},
      {"compile error", "local = 1\n", true, L"LG.lua:1:"},
      {"non-string error value", "error({})\n", true, L"(error object is not a string)"},
      {"missing script", nullptr, true, L"cannot load script LG.lua"},
      {"missing package", "notifyMessage('ran')\n", false, L"cannot load package program.lz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    files_ = MemoryFileSystem();
    SetUp();
    if (c.script) setWorkerScript(c.script);
    if (c.package) setPackage({{u"readme.txt", test::bytesOf("x")}});
    runUi("assert(startWork('LG.lua', 'program.lz', ''))\n"
          "assert(waitWork())\n"
          "assert(workRunning() == false, 'the failed work has ended')\n"
          "assert(#received == 0)\n"
          "assert(startWork('LG.lua', 'program.lz', ''), 'the failed work still counts as running')\n"
          "assert(waitWork())\n");
    expectNoErrors(uiErrors());
    const auto errors = workErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind(c.report, 0), 0u) << narrow(errors[0]);
  }
}

TEST_F(WorkTest, AMissingPackageShowsTheErrorBox) {
  replaceSystemSeam(realSystemSeam());   // the real "错误" box, shown by the worker
  setWorkerScript("notifyMessage('ran')\n");
  runUi("assert(startWork('LG.lua', 'program.lz', ''))\n");
  HWND box = test::waitForDialog(::GetCurrentProcessId(), L"错误", 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(test::messageBoxText(box), L"cannot load package program.lz");
  test::dismissMessageBox(box);
  EXPECT_TRUE(pumpUntil([] { return !LuaWork::isRunning(); }));
}

TEST_F(WorkTest, StopAnswersAPendingNotificationAndWaitsForTheWorker) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local first = notifyMessage('first')\n"
      "local second = notifyMessage('second')\n"
      "local f = io.open(config.out, 'w') f:write(first, ',', second) f:close()\n");
  runUi("assert(startWork('LG.lua', 'program.lz', " + configArg("out", dir_ + "answers.txt") + "))\n");
  expectNoErrors(uiErrors());
  // Wait until the first notification is queued, without serving it.
  MSG msg;
  const DWORD start = ::GetTickCount();
  while (!::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_NOREMOVE)) {
    ASSERT_LT(::GetTickCount() - start, 10000u) << "no notification arrived";
    ::Sleep(10);
  }
  ASSERT_TRUE(LuaWork::isRunning());
  SRService::instance().stop();   // must not wait for an answer that never comes
  EXPECT_FALSE(LuaWork::isRunning());
  EXPECT_EQ(test::readFileBytes(dir_ + "answers.txt"), "0,0");   // the second was sent after the stop
  expectNoErrors(workErrors());
}

}  // namespace
}  // namespace kavri::test
