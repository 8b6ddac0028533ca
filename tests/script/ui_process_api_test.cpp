// waitWork, the UI script's wait for the background work without a window:
// its handler gets the notifications, a failing handler is contained, and a
// wait from inside a notification handler is an error rather than a hang.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "script/lua_work.h"
#include "tests/helpers/file_tree.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

// The host's waitWork: notifications go to its handler (not to the window's
// message handler), the handler's integer answers reach the worker, a work
// that ended before the wait still counts once, and a failed work's error
// comes back as the second result. workRunning() tells whether the work
// still runs (it waits for the handler's answer while the handler runs).
TEST_F(WorkTest, WaitWorkHandsNotificationsToItsHandler) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "if config and config.fail then error('work failed') end\n"
      "if config and config.quiet then return end\n"
      "local a = notifyMessage('ask')\n"
      "local b = notifyMessage('text')\n"
      "notifyMessage('answers ' .. a .. ' ' .. b)\n");
  runUi("assert(hostWaitWork() == false, 'no work ran yet')\n"
        "assert(workRunning() == false, 'no work runs yet')\n"
        "local seen, runningWhileAsked = {}, nil\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "local waited, failure = hostWaitWork(function(text)\n"
        "  seen[#seen + 1] = text\n"
        "  if text == 'ask' then runningWhileAsked = workRunning() return 7 end\n"
        "  if text == 'text' then return 'abc' end\n"
        "end)\n"
        "assert(waited == true and failure == nil, tostring(failure))\n"
        "assert(runningWhileAsked == true and workRunning() == false, 'the work state')\n"
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

}  // namespace
}  // namespace kavri::test
