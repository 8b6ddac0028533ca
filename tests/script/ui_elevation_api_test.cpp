// relaunchElevated, the UI script's start of this installer again with
// administrator rights: the shell is asked with "runas", this program's own
// file and the script's parameters; the instance guard is handed over before
// (a copy the guard refused would end at once with "another installer
// runs"); the copy's exit code comes back whole once it has ended; a refusal
// of the prompt and a failed start are told apart and keep the guard; and no
// copy starts while a background work runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "support/instance_guard.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

// What the stand-in for the shell saw, and how it answers.
struct ShellCall {
  int calls = 0;
  std::wstring verb, file, parameters;
  bool guardHeld = true;       // this process still held the instance guard
  bool guardFree = false;      // a second installer could have taken it
  DWORD refuseWith = 0;        // answer with this error instead of starting
  std::wstring exitCode = L"0";   // the started stand-in's exit code
};
ShellCall g_shell;

// Stands in for the shell and the user's answer: records the request, then
// either refuses it or starts cmd.exe ending with the chosen exit code, whose
// process comes back as the copy's.
BOOL WINAPI recordShellExecute(SHELLEXECUTEINFOW* info) {
  ++g_shell.calls;
  g_shell.verb = info->lpVerb ? info->lpVerb : L"";
  g_shell.file = info->lpFile ? info->lpFile : L"";
  g_shell.parameters = info->lpParameters ? info->lpParameters : L"";
  g_shell.guardHeld = holdsInstanceMutex();
  const UniqueHandle other(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
  g_shell.guardFree = other && ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (g_shell.refuseWith) {
    ::SetLastError(g_shell.refuseWith);
    return FALSE;
  }
  SHELLEXECUTEINFOW start = *info;
  const std::wstring parameters = L"/c exit " + g_shell.exitCode;
  start.lpVerb = L"open";
  start.lpFile = L"cmd.exe";
  start.lpParameters = parameters.c_str();
  start.nShow = SW_HIDE;
  const BOOL started = ::ShellExecuteExW(&start);
  info->hProcess = start.hProcess;
  return started;
}

class RelaunchTest : public WorkTest {
 protected:
  void SetUp() override {
    WorkTest::SetUp();
    g_shell = ShellCall{};
    SystemSeam seam = systemSeam();
    seam.shellExecute = recordShellExecute;
    previous_ = replaceSystemSeam(seam);
    releaseInstanceMutex();
    ASSERT_EQ(acquireInstanceMutex(), InstanceResult::First);
  }
  void TearDown() override {
    replaceSystemSeam(previous_);
    releaseInstanceMutex();
    WorkTest::TearDown();
  }
  SystemSeam previous_{};
};

std::wstring ownPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

// The copy ran: "runas" on this program with the parameters as given, the
// guard free while it starts, and its whole exit code (more than 8 bits)
// the answer; the guard is not taken back after (the copy may still hold it
// at its end, and this installer only ends now).
TEST_F(RelaunchTest, StartsItselfWithTheRightsAndAnswersTheCopysExitCode) {
  g_shell.exitCode = L"3010";
  runUi("local ok, code = relaunchElevated('/ALLUSERS /RELAUNCHED /S \"/D=C:\\\\a b\"')\n"
        "assert(ok == true and code == 3010, tostring(ok) .. ' ' .. tostring(code))\n");
  expectNoErrors(uiErrors());
  EXPECT_EQ(g_shell.calls, 1);
  EXPECT_EQ(g_shell.verb, L"runas");
  EXPECT_EQ(::lstrcmpiW(g_shell.file.c_str(), ownPath().c_str()), 0) << g_shell.file;
  EXPECT_EQ(g_shell.parameters, L"/ALLUSERS /RELAUNCHED /S \"/D=C:\\a b\"");
  EXPECT_FALSE(g_shell.guardHeld);
  EXPECT_TRUE(g_shell.guardFree);
}

// Refused, or not started: false, a message and the reason; the guard is
// held again, since this installer goes on (its folder page stays).
TEST_F(RelaunchTest, TellsARefusalFromAFailureAndKeepsTheGuard) {
  struct Case {
    DWORD error;
    const char* reason;
    const char* inMessage;
  };
  for (const Case& c : {Case{ERROR_CANCELLED, "cancelled", "not given"}, Case{ERROR_FILE_NOT_FOUND, "failed", "error 2"}}) {
    g_shell.refuseWith = c.error;
    runUi(std::string("local ok, message, reason = relaunchElevated('/ALLUSERS')\n"
                      "assert(ok == false, 'started')\n"
                      "assert(reason == '") + c.reason + "', tostring(reason))\n"
          "assert(message:find('" + c.inMessage + "', 1, true), message)\n");
    expectNoErrors(uiErrors());
    EXPECT_TRUE(holdsInstanceMutex()) << c.reason;
  }
  EXPECT_EQ(g_shell.calls, 2);
}

// While a background work runs nothing is started: the copy would install
// beside it.
TEST_F(RelaunchTest, StartsNothingWhileAWorkRuns) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript("sleep(1500)\n");
  runUi("assert(startWork('LG.lua', 'program.lz', ''))\n"
        "local ok, message, reason = relaunchElevated('/ALLUSERS')\n"
        "assert(ok == false and reason == 'busy', tostring(reason))\n"
        "hostWaitWork()\n");
  expectNoErrors(uiErrors());
  EXPECT_EQ(g_shell.calls, 0);
  EXPECT_TRUE(holdsInstanceMutex());
}

}  // namespace
}  // namespace kavri::test
