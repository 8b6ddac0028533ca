// Background work driven by a UI script: startWork, the worker state with its
// configuration, notifyMessage answered by the UI script's message handler,
// extractFile, error reports, and shutdown with a notification pending.
//
// The UI script gets a window made by createWindow with a message handler
// (its forwarder receives the application message 1024 of each notification), and
// `waitWork`, which plays the part of a dialog's modal loop until the work
// has ended.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dui/core/framework.h"
#include "lauxlib.h"
#include "lua.h"
#include "package/file_system.h"
#include "package/package_archive.h"
#include "script/lua_work.h"
#include "script/script_host.h"
#include "script/sr_service.h"
#include "support/debug_log.h"
#include "support/system_seam.h"
#include "support/text_convert.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/package_fixture.h"
#include "tests/helpers/registry_prelude.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

std::mutex g_mutex;   // the worker reports and logs from its own thread
std::vector<std::wstring> g_workErrors;
std::vector<std::wstring> g_uiErrors;
std::vector<std::wstring> g_log;

DWORD g_uiThread = 0;

// The seam's message box: a script error box is recorded, never shown, as the
// UI script's or the worker's by the thread that reports it. Other boxes are
// shown as usual.
int WINAPI recordError(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (!caption || std::wstring(caption) != kErrorCaption) return ::MessageBoxW(owner, text, caption, type);
  std::lock_guard<std::mutex> lock(g_mutex);
  (::GetCurrentThreadId() == g_uiThread ? g_uiErrors : g_workErrors).push_back(text ? text : L"");
  return IDOK;
}
void recordLog(const std::wstring& line) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_log.push_back(line);
}

std::string narrow(const std::wstring& text) { return wideToUtf8(text); }

// One line, so the case script's line numbers start at 2.
constexpr char kHarness[] =
    "received = {} onMessage = nil window = createWindow('none.xml') "
    "window:setMessageHandler(function(text) "
    "  received[#received + 1] = text "
    "  if onMessage then return onMessage(text) end return 0 end)\n";

// Retrieves and dispatches messages until `done` or `ms` have passed.
bool pumpUntil(const std::function<bool()>& done, DWORD ms = 10000) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > ms) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;   // left by a contained script error
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// waitWork([ms]) -> true once the background work has ended; stands in for a
// dialog's modal loop, re-raising an error contained during the wait.
int luaWaitWork(lua_State* L) {
  const DWORD ms = DWORD(luaL_optinteger(L, 1, 10000));
  const bool ended = pumpUntil([] { return !LuaWork::isRunning(); }, ms);
  ScriptHost::instance().raisePendingError(L);
  lua_pushboolean(L, ended);
  return 1;
}

constexpr wchar_t kBoxCaption[] = L"提示";
std::atomic<bool> g_inMessageBox{false};
std::atomic<bool> g_answeredInBox{false};

// messageBoxDuringWork(): a message box on the UI thread, as a button
// handler's showMessageBox opens it; a helper closes it once a handler called
// insideMessageBox(), or after 10 s.
int luaMessageBoxDuringWork(lua_State* L) {
  g_answeredInBox = false;
  std::thread closer([] {
    HWND box = test::waitForDialog(::GetCurrentProcessId(), kBoxCaption, 10000);
    const DWORD start = ::GetTickCount();
    while (!g_answeredInBox && ::GetTickCount() - start < 10000) ::Sleep(20);
    if (box) test::dismissMessageBox(box);
  });
  g_inMessageBox = true;
  ::MessageBoxW(nullptr, L"waiting for the worker", kBoxCaption, MB_OK);
  g_inMessageBox = false;
  closer.join();
  return 0;
}

// insideMessageBox() -> whether the caller runs inside messageBoxDuringWork.
int luaInsideMessageBox(lua_State* L) {
  const bool inside = g_inMessageBox.load();
  g_answeredInBox = true;
  lua_pushboolean(L, inside);
  return 1;
}

// Lua long-bracket literal for any text.
std::string longString(const std::string& text) { return "[==[" + text + "]==]"; }

// A configuration argument for startWork: the text "{ key = [=[path]=] }" as
// a Lua literal.
std::string configArg(const std::string& key, const std::string& path) {
  return "[===[{ " + key + " = [=[" + path + "]=] }]===]";
}

class WorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_workErrors.clear();
      g_uiErrors.clear();
      g_log.clear();
    }
    setDebugLogSink(recordLog);
    g_uiThread = ::GetCurrentThreadId();
    SystemSeam seam = realSystemSeam();
    seam.messageBox = recordError;
    previousSeam_ = replaceSystemSeam(seam);
    setCurrentFileSystem(&files_);
    ASSERT_TRUE(SRService::instance().start());
    ASSERT_TRUE(dui::startFramework());   // the application handlers and windows
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    dir_ = narrow(temp) + "kavri_work_test_" + std::to_string(::GetCurrentProcessId()) + "\\";
    removeTree(dir_);
    ::CreateDirectoryW(utf8ToWide(dir_).c_str(), nullptr);
  }
  void TearDown() override {
    SRService::instance().stop();   // waits for any worker still running
    EXPECT_FALSE(LuaWork::isRunning());
    dui::shutdownFramework();
    setCurrentFileSystem(nullptr);
    setDebugLogSink(nullptr);
    replaceSystemSeam(previousSeam_);
    removeTree(dir_);
  }

  static void removeTree(const std::string& folder) {
    const std::wstring wide = utf8ToWide(folder);
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((wide + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = wide + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          removeTree(narrow(path) + "\\");
        } else {
          ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(wide.c_str());
  }

  void setPackage(std::vector<package::PackageEntry> entries) {
    files_.addFile(L"program.lz", test::buildImage(std::move(entries)));
  }
  void setWorkerScript(const std::string& script) { files_.addFile(L"LG.lua", test::bytesOf(script)); }

  // Runs `script` as "UI.lua" after the registry helpers and the harness.
  void runUi(const std::string& script) {
    files_.addFile(L"UI.lua", test::bytesOf(test::registryPrelude() + " " + kHarness + script));
    ASSERT_TRUE(ScriptHost::instance().createState());
    lua_State* L = ScriptHost::instance().state();
    // The host's own waitWork stays reachable as hostWaitWork for its tests.
    lua_getglobal(L, "waitWork");
    lua_setglobal(L, "hostWaitWork");
    lua_register(L, "waitWork", luaWaitWork);
    lua_register(L, "messageBoxDuringWork", luaMessageBoxDuringWork);
    lua_register(L, "insideMessageBox", luaInsideMessageBox);
    ScriptHost::instance().runScript(L"UI.lua");
  }

  std::vector<std::wstring> uiErrors() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_uiErrors;
  }
  std::vector<std::wstring> workErrors() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_workErrors;
  }
  std::vector<std::wstring> logLines() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_log;
  }

  MemoryFileSystem files_;
  std::string dir_;   // a fresh folder for files, ending in a backslash
  SystemSeam previousSeam_{};
};

void expectNoErrors(const std::vector<std::wstring>& errors) {
  for (const std::wstring& e : errors) ADD_FAILURE() << narrow(e);
}

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

TEST_F(WorkTest, HandlerAnswersReachTheWorkerAsIntegers) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local r = {}\n"
      "for _, key in ipairs({'seven', 'negative', 'numeric text', 'text', 'table', 'true', 'nothing'}) do\n"
      "  r[#r + 1] = tostring(notifyMessage(key))\n"
      "end\n"
      "notifyMessage('done ' .. table.concat(r, ','))\n");
  runUi(
      "local answers = { seven = 7, negative = -3, ['numeric text'] = '12', text = 'abc', table = {}, "
      "['true'] = true }\n"
      "onMessage = function(text) return answers[text] end\n"
      "assert(startWork('LG.lua', 'program.lz', ''))\n"
      "assert(waitWork())\n"
      "assert(received[8] == 'done 7,-3,12,0,0,0,0', received[8])\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
}

TEST_F(WorkTest, WithoutAnyMessageHandlerTheAnswerIsZero) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local f = io.open(config.out, 'w') f:write(tostring(notifyMessage('anyone?'))) f:close()\n");
  runUi("window:setMessageHandler(nil)\n"
        "assert(startWork('LG.lua', 'program.lz', " + configArg("out", dir_ + "answer.txt") + "))\n"
        "assert(waitWork())\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
  EXPECT_EQ(test::readFileBytes(dir_ + "answer.txt"), "0");
}

TEST_F(WorkTest, AnErrorInTheHandlerIsContainedAndAnswersZero) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local f = io.open(config.out, 'w') f:write(tostring(notifyMessage('boom'))) f:close()\n");
  runUi("onMessage = function(text) error('handler failed') end\n"
        "assert(startWork('LG.lua', 'program.lz', " + configArg("out", dir_ + "answer.txt") + "))\n"
        "waitWork()\n"
        "reachedAfterWait = true\n");
  // Reported once, as an error of the UI script, from where the handler failed.
  const auto errors = uiErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], L"UI.lua:2: handler failed");
  expectNoErrors(workErrors());
  SRService::instance().stop();
  EXPECT_EQ(test::readFileBytes(dir_ + "answer.txt"), "0");
}

// The host's waitWork: notifications go to its handler (not to the window's
// message handler), the handler's integer answers reach the worker, a work
// that ended before the wait still counts once, and a failed work's error
// comes back as the second result.
TEST_F(WorkTest, WaitWorkHandsNotificationsToItsHandler) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "if config and config.fail then error('work failed') end\n"
      "if config and config.quiet then return end\n"
      "local a = notifyMessage('ask')\n"
      "local b = notifyMessage('text')\n"
      "notifyMessage('answers ' .. a .. ' ' .. b)\n");
  runUi("assert(hostWaitWork() == false, 'no work ran yet')\n"
        "local seen = {}\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "local waited, failure = hostWaitWork(function(text)\n"
        "  seen[#seen + 1] = text\n"
        "  if text == 'ask' then return 7 end\n"
        "  if text == 'text' then return 'abc' end\n"
        "end)\n"
        "assert(waited == true and failure == nil, tostring(failure))\n"
        "assert(#received == 0, 'the window handler saw ' .. tostring(received[1]))\n"
        "assert(table.concat(seen, ',') == 'ask,text,answers 7 0', table.concat(seen, ','))\n"
        "assert(hostWaitWork() == false, 'the same work waited for twice')\n"
        "assert(startWork('LG.lua', 'program.lz', '{ quiet = true }'))\n"
        "sleep(500)\n"
        "assert(hostWaitWork() == true, 'a work that ended before the wait')\n"
        "assert(startWork('LG.lua', 'program.lz', '{ fail = true }'))\n"
        "local ended, message = hostWaitWork(function() return 0 end)\n"
        "assert(ended == true and message == 'LG.lua:1: work failed', tostring(message))\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "assert(hostWaitWork() == true)\n"
        "assert(#received == 3, 'without a handler the window handler answers')\n");
  expectNoErrors(uiErrors());
  const auto errors = workErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], L"LG.lua:1: work failed");
}

// A handler that fails: reported once as an error of the UI script, after the
// work has ended; every notification meanwhile is answered 0 and the worker
// goes on to its end.
TEST_F(WorkTest, WaitWorkContainsAFailingHandler) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local a = notifyMessage('first')\n"
      "local b = notifyMessage('second')\n"
      "local f = io.open(config.out, 'w') f:write(a, ',', b) f:close()\n");
  runUi("assert(startWork('LG.lua', 'program.lz', " + configArg("out", dir_ + "answers.txt") + "))\n"
        "hostWaitWork(function(text) error('handler failed on ' .. text) end)\n"
        "error('not reached')\n");
  const auto errors = uiErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], L"UI.lua:3: handler failed on first");
  expectNoErrors(workErrors());
  EXPECT_FALSE(LuaWork::isRunning());
  EXPECT_EQ(test::readFileBytes(dir_ + "answers.txt"), "0,0");
}

// waitWork from inside a notification handler would wait for the worker that
// waits for that handler: it is an error of the script, not a hang.
TEST_F(WorkTest, WaitWorkInsideANotificationHandlerIsAnError) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local f = io.open(config.out, 'w') f:write(tostring(notifyMessage('nested'))) f:close()\n");
  runUi("onMessage = function(text) hostWaitWork() return 5 end\n"
        "assert(startWork('LG.lua', 'program.lz', " + configArg("out", dir_ + "answer.txt") + "))\n"
        "hostWaitWork()\n");
  const auto errors = uiErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(L"waitWork: called from a notification handler"), std::wstring::npos)
      << narrow(errors[0]);
  EXPECT_EQ(test::readFileBytes(dir_ + "answer.txt"), "0");
}

// A handler that fails inside the global showMessageBox's loop: the box
// ends, and showMessageBox raises the error in the script that opened it.
TEST_F(WorkTest, TheGlobalMessageBoxRaisesAnErrorLeftPendingInsideIt) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript("notifyMessage('inside the box')\n");
  g_answeredInBox = false;
  std::atomic<bool> closerDone{false};
  std::thread closer([&] {   // the user dismisses the box, should it stay after the handler failed
    const DWORD start = ::GetTickCount();
    while (!g_answeredInBox && ::GetTickCount() - start < 10000) ::Sleep(20);
    if (HWND box = test::waitForDialog(::GetCurrentProcessId(), kBoxCaption, 2000)) test::dismissMessageBox(box);
    closerDone = true;
  });
  runUi("onMessage = function(text) insideMessageBox() error('handler failed: ' .. text) end\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "showMessageBox('waiting for the worker', '提示', 0)\n"
        "io.open(" + longString(dir_ + "after.txt") + ", 'w'):close()\n");
  // The closer reads window texts, which the UI thread answers: keep pumping.
  EXPECT_TRUE(pumpUntil([&] { return closerDone.load(); }));
  closer.join();
  const auto errors = uiErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], L"UI.lua:2: handler failed: inside the box");
  EXPECT_EQ(::GetFileAttributesW(utf8ToWide(dir_ + "after.txt").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the script went on after the box";
  expectNoErrors(workErrors());
}

TEST_F(WorkTest, ANotificationIsAnsweredInsideAMessageBox) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local answer = notifyMessage('ask')\n"
      "notifyMessage('answer ' .. answer)\n");
  runUi("local inBox\n"
        "onMessage = function(text)\n"
        "  if text == 'ask' then inBox = insideMessageBox() return 42 end\n"
        "  return 0\n"
        "end\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "messageBoxDuringWork()\n"
        "assert(inBox == true, 'answered outside the message box')\n"
        "assert(waitWork())\n"
        "assert(received[2] == 'answer 42', tostring(received[2]))\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
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

// listEntries: the payload's names and unpacked sizes in package order, from
// the worker (its own package) and from the UI (a named packaged file), and a
// clear failure for a damaged or missing package.
TEST_F(WorkTest, ListEntriesDescribesAPackageInItsOwnOrder) {
  test::ImageAssembler assembler;   // stored entries, deliberately not in name order
  assembler.addStored(u"z/last.txt", test::bytesOf("12345"));
  assembler.addStored(u"a.txt", {});
  assembler.addStored(u"文档/说明.txt", test::bytesOf("说明"));
  const std::vector<uint8_t> image = assembler.finish();
  files_.addFile(L"program.lz", image);
  files_.addFile(L"packed.lz", test::buildImage({{u"small.txt", test::bytesOf("x")},
                                                 {u"big.bin", test::bytesOf(std::string(300000, 'b'))}}));
  const std::vector<uint8_t> empty = test::buildImage({});
  ASSERT_EQ(empty.size(), 8u);
  files_.addFile(L"empty.lz", empty);
  std::vector<uint8_t> truncated(image.begin(), image.end() - 1);
  files_.addFile(L"truncated.lz", truncated);
  std::vector<uint8_t> outside = image;   // the first record's data offset points past the end
  package::writeU32(outside.data() + assembler.data.size() + 4, uint32_t(image.size() + 100));
  files_.addFile(L"outside.lz", outside);

  const std::string describe =
      "function describe(list, message)\n"
      "  if not list then return 'nil: ' .. tostring(message) end\n"
      "  local parts = {}\n"
      "  for i, e in ipairs(list) do parts[i] = e.name .. '=' .. e.size end\n"
      "  return table.concat(parts, ',')\n"
      "end\n";
  setWorkerScript(describe +
                  "notifyMessage(describe(listEntries()))\n"
                  "notifyMessage(describe(listEntries('packed.lz')))\n");
  runUi(describe +
        "local function expect(got, wanted)\n"
        "  assert(got:find(wanted, 1, true) == 1, got .. ' (wanted ' .. wanted .. ')')\n"
        "end\n"
        "expect(describe(listEntries('program.lz')), 'z/last.txt=5,a.txt=0,文档/说明.txt=6')\n"
        "expect(describe(listEntries('packed.lz')), 'big.bin=300000,small.txt=1')\n"
        "expect(describe(listEntries('empty.lz')), '')\n"
        "expect(describe(listEntries('truncated.lz')), 'nil: the package is damaged')\n"
        "expect(describe(listEntries('outside.lz')), 'nil: the package is damaged')\n"
        "expect(describe(listEntries('absent.lz')), 'nil: listEntries: cannot load package absent.lz')\n"
        "expect(describe(listEntries()), 'nil: listEntries: no package named')\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "assert(waitWork())\n"
        "expect(received[1], 'z/last.txt=5,a.txt=0,文档/说明.txt=6')\n"
        "expect(received[2], 'big.bin=300000,small.txt=1')\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
}

// extractFile: each case is one call in the worker script; the expected
// results (true, or false and the Windows error number) and what must be on
// disk afterwards.
TEST_F(WorkTest, ExtractFileWritesWholeFilesAndNeverLosesTheOldOne) {
  std::string binary;
  for (int i = 0; i < 300000; ++i) binary += char(i % 7 == 0 ? 0 : 'a' + i % 23);
  setPackage({{u"dir/a.txt", test::bytesOf("alpha")},
              {u"dir/sub/b.bin", test::bytesOf(binary)},
              {u"empty.txt", {}},
              {u"文档/说明.txt", test::bytesOf("说明")}});
  auto writeFile = [&](const std::string& name, const std::string& content) {
    std::ofstream(dir_ + name, std::ios::binary) << content;
  };
  auto attributes = [&](const std::string& name) { return ::GetFileAttributesW(utf8ToWide(dir_ + name).c_str()); };

  UniqueFile locked;
  struct Case {
    const char* what;
    std::string entry;       // as the script writes it
    std::string target;      // relative to the test folder
    std::function<void()> before;
    const char* result;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {"entry named with backslashes", "dir\\\\sub\\\\b.bin", "b.bin", nullptr, "true",
       [&] { EXPECT_TRUE(test::readFileBytes(dir_ + "b.bin") == binary) << "b.bin differs from the entry"; }},
      {"over a read-only file", "dir/a.txt", "ro.txt",
       [&] {
         writeFile("ro.txt", "old content");
         ::SetFileAttributesW(utf8ToWide(dir_ + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
       },
       "true",
       [&] {
         EXPECT_EQ(test::readFileBytes(dir_ + "ro.txt"), "alpha");
         EXPECT_FALSE(attributes("ro.txt") & FILE_ATTRIBUTE_READONLY);
       }},
      {"over an ordinary file", "dir/a.txt", "plain.txt", [&] { writeFile("plain.txt", "a much longer old content"); },
       "true", [&] { EXPECT_EQ(test::readFileBytes(dir_ + "plain.txt"), "alpha"); }},
      {"empty entry", "empty.txt", "empty.txt", [&] { writeFile("empty.txt", "old"); }, "true",
       [&] { EXPECT_EQ(test::readFileBytes(dir_ + "empty.txt"), ""); }},
      {"absent entry", "missing.txt", "keep.txt", [&] { writeFile("keep.txt", "keep"); }, "false 0",
       [&] { EXPECT_EQ(test::readFileBytes(dir_ + "keep.txt"), "keep"); }},
      {"case differs from the entry", "DIR/a.txt", "case.txt", nullptr, "false 0",
       [&] { EXPECT_EQ(attributes("case.txt"), INVALID_FILE_ATTRIBUTES); }},
      {"folder does not exist", "dir/a.txt", "no\\\\such\\\\x.txt", nullptr, "false 3",
       [&] { EXPECT_EQ(attributes("no"), INVALID_FILE_ATTRIBUTES); }},
      {"destination in use", "dir/a.txt", "locked.txt",
       [&] {
         writeFile("locked.txt", "locked old");
         locked.reset(::CreateFileW(utf8ToWide(dir_ + "locked.txt").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
         ASSERT_TRUE(locked);
       },
       "false 32",   // ERROR_SHARING_VIOLATION: the file is in use
       [&] {
         locked.reset();
         EXPECT_EQ(test::readFileBytes(dir_ + "locked.txt"), "locked old");
       }},
      {"non-ASCII entry and destination", "文档\\\\说明.txt", "数据.txt", nullptr, "true",
       [&] { EXPECT_EQ(test::readFileBytes(dir_ + "数据.txt"), "说明"); }},
      {"destination is a folder", "dir/a.txt", "folder",
       [&] { ::CreateDirectoryW(utf8ToWide(dir_ + "folder").c_str(), nullptr); }, "false 5",
       [&] { EXPECT_TRUE(attributes("folder") & FILE_ATTRIBUTE_DIRECTORY); }},
  };
  std::string calls =
      "local r = {}\n"
      "local function note(ok, code) r[#r + 1] = tostring(ok) .. (code and ' ' .. code or '') end\n";
  for (const Case& c : cases) {
    if (c.before) c.before();
    calls += "note(extractFile('" + c.entry + "', config.dir .. '" + c.target + "'))\n";
  }
  calls += "note(extractFile('dir/a.txt', ''))\n";
  calls += "notifyMessage(table.concat(r, ','))\n";
  setWorkerScript(calls);
  std::string expected;
  for (const Case& c : cases) expected += std::string(c.result) + ",";
  expected += "false 123";   // ERROR_INVALID_NAME

  runUi("assert(startWork('LG.lua', 'program.lz', " + configArg("dir", dir_) + "))\n"
        "assert(waitWork())\n"
        "assert(received[1] == " + longString(expected) + ", received[1])\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.check();
  }
  // No temporary file is left behind by the failed ones.
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(utf8ToWide(dir_ + "*.tmp").c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << narrow(data.cFileName);
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
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

// A compressed entry damaged in the package: extraction reports failure and the
// old file at the destination stays exactly as it was, even when the damage
// lets the decoder produce part of the content.
TEST_F(WorkTest, ADamagedEntryIsAnErrorAndTheOldFileStays) {
  std::vector<uint8_t> content(60000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t((i * 13) ^ (i >> 7));
  std::vector<uint8_t> image = test::buildImage({{u"data.bin", content}});
  ASSERT_FALSE(image.empty());
  PackageArchive probe(image.data(), image.size());
  PackageArchive::EntryInfo info{};
  probe.forEachEntry([&](const std::u16string&, const PackageArchive::EntryInfo& e) { info = e; });
  ASSERT_NE(info.unpackedSize, 0u);
  struct Case {
    const char* what;
    uint32_t cutFrom;   // bytes of the stream from here on are scrambled
  };
  const Case cases[] = {
      {"last quarter scrambled", info.dataOffset + info.storedSize * 3 / 4},
      {"second half scrambled", info.dataOffset + info.storedSize / 2},
      {"last bytes scrambled", info.dataOffset + info.storedSize - 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> damaged = image;
    for (uint32_t i = c.cutFrom; i < info.dataOffset + info.storedSize; ++i) damaged[i] ^= 0xA5;
    PackageArchive archive(damaged.data(), damaged.size());
    const std::string target = dir_ + "damaged.bin";
    std::ofstream(target, std::ios::binary) << "old content";
    EXPECT_FALSE(LuaWork::extract(archive, L"data.bin", utf8ToWide(target)));
    EXPECT_EQ(test::readFileBytes(target), "old content");
  }
  PackageArchive intact(image.data(), image.size());
  EXPECT_TRUE(LuaWork::extract(intact, L"data.bin", utf8ToWide(dir_ + "whole.bin")));
  EXPECT_EQ(test::readFileBytes(dir_ + "whole.bin"), std::string(content.begin(), content.end()));
}

// Relative names ("docs/guide.txt") of every file below `folder` (a Windows
// path ending in a backslash).
void listFiles(const std::wstring& folder, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      listFiles(folder + name + L"\\", prefix + narrow(name) + "/", out);
    else
      out.push_back(prefix + narrow(name));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

std::string windowsName(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

// The shipped background script over the shipped payload: every file arrives
// byte for byte beside the install log, progress reports (throttled by time)
// only grow and end on 100%; a file that cannot be written (a folder in its
// place) is asked about: retried once, then skipped, or the answer "cancel"
// fails the install and undoes it, leaving only what was there before. The
// registration the script writes is removed again afterwards.
TEST_F(WorkTest, TheDemoBackgroundScriptInstallsThePayload) {
  const std::string demo = narrow(test::windowsPath(KAVRI_DEMO_DIR)) + "\\";
  std::vector<std::string> payload;
  listFiles(utf8ToWide(demo + "program\\"), "", payload);
  ASSERT_FALSE(payload.empty());
  std::vector<package::PackageEntry> entries;
  for (const std::string& name : payload) {
    const std::string content = test::readFileBytes(demo + "program\\" + windowsName(name));
    entries.push_back({std::u16string(name.begin(), name.end()), test::bytesOf(content)});
  }
  setPackage(entries);
  setWorkerScript(test::readFileBytes(demo + "LG.lua"));
  // Its modules, beside it: `require` finds them among the packaged files.
  for (const char* module : {"shared.lua", "product.lua"})
    files_.addFile(utf8ToWide(module), test::bytesOf(test::readFileBytes(demo + module)));

  struct Case {
    const char* what;
    const char* blocked;    // a payload file made unwritable (a folder in its place), or null
    const char* answers;    // Lua array: the answers to the code 2 questions, in order
    int asked;              // code 2 reports
    bool installed;
    int skipped;
  };
  const Case cases[] = {
      {"every file written", nullptr, "{}", 0, true, 0},
      {"one file blocked, retried, skipped", "readme.txt", "{ 1, 2 }", 2, true, 1},
      {"one file blocked, cancelled", "readme.txt", "{ 3 }", 1, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    const std::string target = dir_ + "Demo App";   // no trailing backslash
    if (c.blocked) {
      ::CreateDirectoryW(utf8ToWide(target).c_str(), nullptr);
      ::CreateDirectoryW(utf8ToWide(target + "\\" + c.blocked).c_str(), nullptr);
    }
    runUi(std::string("local answers, asked, percents, finished = ") + c.answers + ", 0, {}, nil\n"
          "onMessage = function(text)\n"
          "  local m = load('return ' .. text)()\n"
          "  if m.code == 1 then percents[#percents + 1] = m.percent end\n"
          "  if m.code == 2 then asked = asked + 1 return answers[asked] or 3 end\n"
          "  if m.code == 3 then finished = m end\n"
          "  return 0\n"
          "end\n"
          "assert(startWork('LG.lua', 'program.lz', " + configArg("installPath", target) + "))\n"
          "assert(waitWork())\n"
          "regDeleteSubKey(HKEY_LOCAL_MACHINE, 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Kavri')\n"
          "regDeleteSubKey(HKEY_LOCAL_MACHINE, 'Software\\\\Kavri')\n"
          "assert(finished, 'no final report')\n"
          "assert(finished.installed == " + (c.installed ? "true" : "false") + ", tostring(finished.message))\n"
          "assert(asked == " + std::to_string(c.asked) + ", 'asked ' .. asked)\n"
          "assert(finished.skipped == " + std::to_string(c.skipped) + ", 'skipped ' .. finished.skipped)\n"
          "for i = 2, #percents do assert(percents[i] >= percents[i - 1]) end\n"
          "if finished.installed then\n"
          "  assert(finished.count == " + std::to_string(payload.size()) + " - finished.skipped, 'count ' .. finished.count)\n"
          "  assert(percents[#percents] == 100)\n"
          "end\n");
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
    std::vector<std::string> installed;
    listFiles(utf8ToWide(target + "\\"), "", installed);
    std::vector<std::string> expected;
    if (c.installed) {
      for (const std::string& name : payload)
        if (!c.blocked || name != c.blocked) expected.push_back(name);
      expected.push_back("install-log.json");
    }
    std::sort(installed.begin(), installed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(installed, expected);
    for (const std::string& name : expected) {
      if (name == "install-log.json") continue;
      EXPECT_EQ(test::readFileBytes(target + "\\" + windowsName(name)),
                test::readFileBytes(demo + "program\\" + windowsName(name)))
          << name;
    }
    if (c.blocked && !c.installed) {
      EXPECT_NE(::GetFileAttributesW(utf8ToWide(target + "\\" + c.blocked).c_str()), INVALID_FILE_ATTRIBUTES)
          << "what was there before stays";
    }
  }
}

}  // namespace
}  // namespace kavri
