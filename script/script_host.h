// ScriptHost: the UI thread's Lua state, running packaged scripts, and the one
// way native code calls into the script.
//
// Script objects live in three registries inside the Lua registry ("__window",
// "__timer", "__control"); the host keeps no tables of its own and reaches them
// only through the lua_* registry functions the script defines.
//
// Error containment: native code that calls into Lua from a window procedure,
// hook, timer or notification uses callFromNative(), a protected call. The
// first error it catches is kept as the pending script error, further calls
// into the script are skipped, and a quit message ends the running modal
// loops. When control is back in a Lua C function (for example showDialog
// returning), raisePendingError() raises it again inside the script, so it
// travels to the main chunk's protected call like any other script error and
// runScript shows it in exactly one "错误" box.
#pragma once

#include <atomic>
#include <string>

#include "script/packaged_script.h"

namespace kavri {

inline constexpr char kWindowRegistry[] = "__window";
inline constexpr char kTimerRegistry[] = "__timer";
inline constexpr char kControlRegistry[] = "__control";

class ScriptHost {
 public:
  static ScriptHost& instance();

  // Builds the UI state inside a protected call: standard libraries, the
  // system API, createWindow and startWork, and the three empty registries.
  // False (the state is closed again) when that fails.
  bool createState();
  // Loads the named packaged script through the current file system, runs its
  // main chunk to completion, reports an error in one "错误" box
  // (reportScriptError), then closes the state. Returns the process's exit
  // code: the script's setExitCode value (0 by default), and kExitScriptError (1)
  // when a script error ended the script and the script had not set another
  // non-zero code.
  int runScript(const wchar_t* name);

  // setExitCode: the code runScript returns (UI thread).
  void setExitCode(int code) { exitCode_ = code; }

  lua_State* state() const { return state_.get(); }

  // Pushes the global registry function `function` and the registry table
  // `registry`; the caller then pushes the remaining arguments.
  static void pushRegistryCall(lua_State* L, const char* function, const char* registry);
  // Calls the function below `nargs` arguments (the registry table counts as
  // the first) unprotected, for Lua C functions called directly by the script: an error
  // travels to the script's own protected call.
  static void callRegistry(lua_State* L, int nargs, int nresults);

  // Protected call for native dispatch (a function and `nargs` arguments on
  // the stack; after pushRegistryCall the registry table counts as one). On success leaves `nresults` results. On error, or when a script
  // error is already pending, pops everything, leaves `nresults` nils, records
  // the error and returns false.
  bool callFromNative(int nargs, int nresults);

  // Inside a Lua C function: raises the pending error in `L` (does not return)
  // when there is one; otherwise returns.
  void raisePendingError(lua_State* L);

  // Whether `L` (or the coroutine it is) belongs to the UI state. Functions
  // registered in every state use it to leave the worker's state alone; any
  // thread may ask.
  bool ownsState(lua_State* L) const;

 private:
  void recordError(const std::string& text);

  OwnedLuaState state_;
  std::atomic<const lua_State*> published_{nullptr};   // state_, readable from any thread
  std::string pendingError_;
  int exitCode_ = 0;
};

}  // namespace kavri
