// The background-work tests' fixture: the recording seam and log sink, the
// UI script's harness and the functions it adds, and the test's folder.
#include "tests/script/work_fixture.h"

#include <mutex>
#include <thread>

#include "dui/core/framework.h"
#include "lauxlib.h"
#include "lua.h"
#include "script/lua_work.h"
#include "script/packaged_script.h"
#include "script/script_host.h"
#include "script/sr_service.h"
#include "support/debug_log.h"
#include "support/text_convert.h"
#include "tests/helpers/registry_prelude.h"
#include "tests/helpers/win_test_util.h"

namespace kavri::test {

std::atomic<bool> g_answeredInBox{false};

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

// One line, so the case script's line numbers start at 2.
constexpr char kHarness[] =
    "received = {} onMessage = nil window = createWindow('none.xml') "
    "window:setMessageHandler(function(text) "
    "  received[#received + 1] = text "
    "  if onMessage then return onMessage(text) end return 0 end)\n";

// waitWork([ms]) -> true once the background work has ended; stands in for a
// dialog's modal loop, re-raising an error contained during the wait.
int luaWaitWork(lua_State* L) {
  const DWORD ms = DWORD(luaL_optinteger(L, 1, 10000));
  const bool ended = pumpUntil([] { return !LuaWork::isRunning(); }, ms);
  ScriptHost::instance().raisePendingError(L);
  lua_pushboolean(L, ended);
  return 1;
}

std::atomic<bool> g_inMessageBox{false};

// messageBoxDuringWork(): a message box on the UI thread, as a button
// handler's showMessageBox opens it; a helper closes it once a handler called
// insideMessageBox(), or after 10 s.
int luaMessageBoxDuringWork(lua_State* L) {
  g_answeredInBox = false;
  std::thread closer([] {
    HWND box = waitForDialog(::GetCurrentProcessId(), kBoxCaption, 10000);
    const DWORD start = ::GetTickCount();
    while (!g_answeredInBox && ::GetTickCount() - start < 10000) ::Sleep(20);
    if (box) dismissMessageBox(box);
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

}  // namespace

bool pumpUntil(const std::function<bool()>& done, DWORD ms) {
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

std::string narrow(const std::wstring& text) { return wideToUtf8(text); }

std::string longString(const std::string& text) { return "[==[" + text + "]==]"; }

std::string configArg(const std::string& key, const std::string& path) {
  return "[===[{ " + key + " = [=[" + path + "]=] }]===]";
}

void expectNoErrors(const std::vector<std::wstring>& errors) {
  for (const std::wstring& e : errors) ADD_FAILURE() << narrow(e);
}

void WorkTest::SetUp() {
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

void WorkTest::TearDown() {
  SRService::instance().stop();   // waits for any worker still running
  EXPECT_FALSE(LuaWork::isRunning());
  dui::shutdownFramework();
  setCurrentFileSystem(nullptr);
  setDebugLogSink(nullptr);
  replaceSystemSeam(previousSeam_);
  removeTree(dir_);
}

void WorkTest::removeTree(const std::string& folder) {
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

void WorkTest::setPackage(std::vector<package::PackageEntry> entries) {
  files_.addFile(L"program.lz", buildImage(std::move(entries)));
}

void WorkTest::setWorkerScript(const std::string& script) { files_.addFile(L"LG.lua", bytesOf(script)); }

void WorkTest::runUi(const std::string& script) {
  files_.addFile(L"UI.lua", bytesOf(registryPrelude() + " " + kHarness + script));
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

std::vector<std::wstring> WorkTest::uiErrors() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_uiErrors;
}

std::vector<std::wstring> WorkTest::workErrors() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_workErrors;
}

std::vector<std::wstring> WorkTest::logLines() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_log;
}

}  // namespace kavri::test
