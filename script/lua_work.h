// LuaWork: background work. `startWork` (UI state) starts a worker thread that
// runs a background script in a Lua state of its own; the worker reports and
// asks through `notifyMessage`, which waits until the UI script's message
// handler has answered on the UI thread, and writes payload files with
// `extractFile` (a binding over package/payload_extractor.h).
//
// One work runs at a time: a second `startWork` while the first is running is
// refused (it returns false) rather than replacing the running work's request.
// Shutdown waits for the worker through SRService's reaper; a notification
// still waiting when the service stops, or sent after it stopped, is answered
// with 0. Errors (a missing package or script, script errors) are shown by
// reportScriptError.
#pragma once

#include <string>

#include "script/sr_service.h"
#include "support/win32_handles.h"

struct lua_State;

namespace kavri {

class PayloadExtractor;

class LuaWork {
 public:
  // A notification on its way to the UI thread. The worker creates it, posts
  // it and waits; the UI thread runs it from the SRService hook.
  class NotifyRunable final : public SRService::IRunable {
   public:
    // `text`: the notification's UTF-8 bytes (may be null), owned by the
    // worker's Lua stack, which stays frozen while the worker waits.
    explicit NotifyRunable(const char* text);
    bool valid() const { return bool(done_); }
    void run() override;
    void cancel() override;
    // Waits for `run` or `cancel`; returns the answer.
    int waitForAnswer();

   private:
    const char* text_;
    UniqueHandle done_;   // manual reset, set once answered
    int result_ = 0;      // written before `done_` is set
  };

  // Starts a background work (UI thread). False when one is running, the
  // service is not running, or the thread cannot be started.
  static bool start(std::wstring script, std::wstring package, std::string configuration);
  // True from a successful start until the worker has cleaned up.
  static bool isRunning();
  // Works started so far (successful starts); waitWork tells from it whether
  // a work ran since it last waited, even one that has already ended.
  static unsigned startCount();
  // The error that ended the last work's script ("" when it ran to its end).
  static std::string lastFailure();

  // Sends `text` to the UI thread and waits for the answer (worker thread).
  static int notify(const char* text) noexcept;

  // The worker state's own globals: notifyMessage and extractFile (bound to
  // `extractor`, which must outlive the state).
  static void registerWorkerApi(lua_State* L, PayloadExtractor* extractor);
};

}  // namespace kavri
