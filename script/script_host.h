// ScriptHost: the UI thread's Lua state and running of packaged scripts.
#pragma once

namespace kavri {

class ScriptHost {
 public:
  static ScriptHost& instance();
  // Creates the UI script state.
  bool createState();
  // Loads the named packaged script and runs its main chunk to completion, then
  // closes the state. Errors appear in one "错误" message box.
  void runScript(const wchar_t* name);
};

}  // namespace kavri
