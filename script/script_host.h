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

#include <string>

struct lua_State;

namespace kavri {

inline constexpr char kWindowRegistry[] = "__window";
inline constexpr char kTimerRegistry[] = "__timer";
inline constexpr char kControlRegistry[] = "__control";

class ScriptHost {
 public:
  static ScriptHost& instance();

  // Builds the UI state: standard libraries, the system API, createWindow and
  // startWork, and the three empty registries.
  bool createState();
  // Loads the named packaged script through the current file system, runs its
  // main chunk to completion, reports an error in one "错误" box, then closes
  // the state.
  void runScript(const wchar_t* name);

  lua_State* state() const { return state_; }

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

  bool hasPendingError() const { return !pendingError_.empty(); }
  // Inside a Lua C function: raises the pending error in `L` (does not return)
  // when there is one; otherwise returns.
  void raisePendingError(lua_State* L);

  // Where runScript reports the error text; MessageBoxW with "错误" unless a
  // test replaces it.
  using ErrorReporter = void (*)(const std::wstring& text);
  void setErrorReporter(ErrorReporter reporter) { reporter_ = reporter; }
  // Shows a script author's mistake that a script function answers with
  // nothing (a layout that cannot be loaded) the way runScript shows an
  // error: in the "错误" box, or through the reporter a test set.
  void reportError(const std::wstring& text);

 private:
  void recordError(const std::string& text);

  lua_State* state_ = nullptr;
  std::string pendingError_;
  ErrorReporter reporter_ = nullptr;
};

}  // namespace kavri
