// A real Lua state with the standard libraries and the system API, for tests
// that drive the API through Lua chunks, plus recorders for the system-call
// seam so that no test terminates, reboots or shows a dialog for real.
#pragma once

#include "lua.h"
#include "lauxlib.h"
#include "lualib.h"

#include <windows.h>

#include <string>
#include <vector>

#include "support/system_seam.h"

namespace kavri::test {

class LuaTestState {
 public:
  LuaTestState();
  ~LuaTestState();
  LuaTestState(const LuaTestState&) = delete;
  LuaTestState& operator=(const LuaTestState&) = delete;

  lua_State* get() const { return L_; }
  // Sets a global string (UTF-16 in, UTF-8 in Lua).
  void setText(const char* name, const std::wstring& value);
  // Runs a chunk; returns "" on success, else the Lua error text.
  std::string run(const std::string& chunk);

 private:
  lua_State* L_;
};

// Replaces the seam while alive: terminations are recorded (the file names of
// the executables, in order) and carried out only for processes whose
// executable lies in `allowedFolder`; reboots and message boxes are recorded
// and answered with the given results. Script error boxes ("错误" with no
// owner, from reportScriptError) are kept apart from the script's own boxes.
class RecordingSeam {
 public:
  explicit RecordingSeam(std::wstring allowedFolder = L"");
  ~RecordingSeam();

  static std::vector<std::wstring> terminated;    // file names, in call order
  static std::vector<UINT> exitCodes;
  static std::vector<UINT> rebootFlags;
  static std::vector<std::wstring> messages;      // message box texts
  static std::vector<std::wstring> scriptErrors;  // script error box texts
  static BOOL rebootResult;
  static DWORD rebootError;
  static int messageBoxResult;
  static DWORD integrityOverride;   // the level reported for every process; 0: medium

 private:
  static BOOL WINAPI terminate(HANDLE process, UINT exitCode);
  static BOOL WINAPI exitWindows(UINT flags, DWORD reason);
  static int WINAPI messageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type);
  static DWORD WINAPI integrity(HANDLE process);

  static std::wstring allowed_;
  SystemSeam previous_;
};

// Executable path of a process handle ("" when unreadable).
std::wstring processImagePath(HANDLE process);
// A fresh, empty test folder under the temporary folder (no trailing '\').
std::wstring freshTempFolder(const std::wstring& name);

}  // namespace kavri::test
