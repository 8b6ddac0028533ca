// The Lua test harness: runs one Lua test script as "UI.lua" inside the real
// framework and script host, with the layouts and skin of its suite folder
// packed into "frame.lz" and "style.lz", and collects what the script checked.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavri::test {

struct LuaCheck {
  bool passed;
  std::string name;   // the check's name and, for a failure, what was wrong
  int line;           // line in the test script
};

struct LuaRunResult {
  std::vector<LuaCheck> checks;
  std::vector<std::wstring> errorReports;   // what runScript would show in "错误" boxes
  std::string expectedError;                // set by expectError(fragment); empty when none
  bool expectsError = false;
  std::size_t windowsLeft = 0;              // windows still open after the run
  bool timedOut = false;                    // ended by the harness's time limit
  std::string setupFailure;                 // non-empty when the run could not start
};

// Runs `script` (a *_test.lua file); its suite folder is the script's folder:
// "frame/" becomes "frame.lz" and "style/" (when present) "style.lz". The
// demo installer's modules (installer/<name>.lua) can be required.
LuaRunResult runLuaTest(const std::filesystem::path& script);

}  // namespace kavri::test
