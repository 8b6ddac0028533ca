// The fixture of the background-work tests: a UI script with a window whose
// message handler records every notification (and asks `onMessage` for the
// answer), `waitWork` standing in for a dialog's modal loop, a message box on
// the UI thread for a worker to be answered from, script error boxes recorded
// by the thread that reports them, and a fresh folder for files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "support/system_seam.h"
#include "tests/helpers/package_fixture.h"

namespace kavri::test {

// Retrieves and dispatches messages until `done` or `ms` have passed.
bool pumpUntil(const std::function<bool()>& done, DWORD ms = 10000);

// The caption of the boxes a UI script opens while the worker waits.
inline constexpr wchar_t kBoxCaption[] = L"提示";
// Set by insideMessageBox(), which a notification handler calls; a box
// waiting for it closes then.
extern std::atomic<bool> g_answeredInBox;

std::string narrow(const std::wstring& text);
// Lua long-bracket literal for any text.
std::string longString(const std::string& text);
// A configuration argument for startWork: the text "{ key = [=[path]=] }" as
// a Lua literal.
std::string configArg(const std::string& key, const std::string& path);

void expectNoErrors(const std::vector<std::wstring>& errors);

// The UI script's globals besides the registry helpers: `received` (every
// notification text, in order), `onMessage` (when set, asked for the answer),
// `window` (with the recording message handler), waitWork([ms]) (the work's
// end, as a modal loop would wait; the host's own is hostWaitWork),
// messageBoxDuringWork() and insideMessageBox().
class WorkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static void removeTree(const std::string& folder);

  void setPackage(std::vector<package::PackageEntry> entries);
  void setWorkerScript(const std::string& script);
  // Runs `script` as "UI.lua" after the registry helpers and the harness,
  // whose one line keeps the case script's line numbers starting at 2.
  void runUi(const std::string& script);

  std::vector<std::wstring> uiErrors();
  std::vector<std::wstring> workErrors();
  std::vector<std::wstring> logLines();

  MemoryFileSystem files_;
  std::string dir_;   // a fresh folder for files, ending in a backslash
  SystemSeam previousSeam_{};
};

}  // namespace kavri::test
