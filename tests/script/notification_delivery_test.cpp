// Notifications from the worker to the UI script: the window's message
// handler answers, its answer reaches the worker as an integer (0 without a
// handler, for a non-number or after an error), and a notification is
// answered from inside whatever loop the UI thread runs, a message box
// included.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "script/sr_service.h"
#include "support/text_convert.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

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

// Quick answers (taken while the worker still watches for them) and slow
// ones (a handler that takes longer: the worker is asleep by then) in
// turns: each notification gets its own answer.
TEST_F(WorkTest, QuickAndSlowAnswersEachReachTheirNotification) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local wrong = {}\n"
      "for i = 1, 300 do\n"
      "  local answer = notifyMessage(tostring(i))\n"
      "  if answer ~= i * 3 then wrong[#wrong + 1] = i .. ':' .. answer end\n"
      "end\n"
      "notifyMessage('done ' .. table.concat(wrong, ','))\n");
  runUi(
      "onMessage = function(text)\n"
      "  local n = tonumber(text)\n"
      "  if not n then return 0 end\n"
      "  if n % 3 == 0 then sleep(2) end\n"
      "  return n * 3\n"
      "end\n"
      "assert(startWork('LG.lua', 'program.lz', ''))\n"
      "assert(waitWork())\n"
      "assert(received[301] == 'done ', received[301])\n");
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

// Reports posted without waiting reach the handler in order with the
// notifications around them, their answers dropped, and a non-string as nil.
// A worker far ahead of the window waits once more reports are queued than
// the queue holds: with the window busy for 300 ms in the first report, the
// worker's 600 reports cannot all be queued before it is done; all arrive,
// once each, none after the work's end.
TEST_F(WorkTest, PostedReportsArriveInOrderWithNotifications) {
  setPackage({{u"readme.txt", test::bytesOf("x")}});
  setWorkerScript(
      "local results = {}\n"
      "results[#results + 1] = tostring(postMessage('first'))\n"
      "local start = os.clock()\n"
      "for i = 1, 600 do postMessage('p' .. i) end\n"
      "local spent = os.clock() - start\n"
      "results[#results + 1] = tostring(notifyMessage('ask'))\n"
      "results[#results + 1] = tostring(postMessage({}))\n"
      "results[#results + 1] = spent >= 0.25 and 'waited' or ('queued all in ' .. spent .. ' s')\n"
      "notifyMessage('done ' .. table.concat(results, ','))\n");
  runUi(
      "local nils = 0\n"
      "onMessage = function(text)\n"
      "  if text == 'first' then sleep(300) end\n"
      "  if text == nil then nils = nils + 1 end\n"
      "  if text == 'ask' then return 5 end return 9\n"
      "end\n"
      "assert(startWork('LG.lua', 'program.lz', ''))\n"
      "assert(waitWork())\n"
      "assert(#received == 603 and nils == 1, #received .. ' ' .. nils)\n"
      "assert(received[1] == 'first', received[1])\n"
      "for i = 1, 600 do assert(received[i + 1] == 'p' .. i, 'report ' .. i .. ': ' .. tostring(received[i + 1])) end\n"
      "assert(received[602] == 'ask', received[602])\n"
      "assert(received[603] == 'done true,5,true,waited', received[603])\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
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

}  // namespace
}  // namespace kavri::test
