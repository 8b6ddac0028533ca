// LuaWork: background work. `startWork` (UI state) starts a worker thread that
// runs a background script in a Lua state of its own; the worker asks through
// `notifyMessage`, which waits until the UI script's message handler has
// answered on the UI thread, reports without waiting through `postMessage`,
// and writes payload files with `extractFile` (a binding over
// package/payload_extractor.h).
//
// One work runs at a time: a second `startWork` while the first is running is
// refused (it returns false) rather than replacing the running work's request.
// Shutdown waits for the worker through SRService's reaper; a notification
// still waiting when the service stops, or sent after it stopped, is answered
// with 0. Errors (a missing package or script, script errors) are shown by
// reportScriptError.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "script/sr_service.h"
#include "support/win32_handles.h"

struct lua_State;

namespace kavri {

class PayloadExtractor;

class LuaWork {
 public:
  class Channel;

  // A notification on its way to the UI thread. The worker creates it, posts
  // it and waits on its channel's wait object; the UI thread runs it from the
  // SRService hook, stores the answer and sets that object.
  class NotifyRunable final : public SRService::IRunable {
   public:
    // `text`: the notification's UTF-8 bytes (may be null), owned by the
    // worker's Lua stack, which stays frozen while the worker waits.
    NotifyRunable(const char* text, std::shared_ptr<Channel> channel);
    void run() override;
    void cancel() override;
    int result() const { return result_; }

   private:
    const char* text_;
    std::shared_ptr<Channel> channel_;   // its wait object outlives this item
    int result_ = 0;                     // written before the wait object is set
  };

  // A report that needs no answer: the worker posts it and goes on. It keeps
  // its own copy of the text. `wake` items (one in a long queue, see
  // Channel::post) set the channel's wait object once they ran.
  class PostRunable final : public SRService::IRunable {
   public:
    PostRunable(std::string text, bool isNil, bool wake, std::shared_ptr<Channel> channel);
    void run() override;
    void cancel() override;

   private:
    void finished();

    std::string text_;
    bool isNil_;   // the worker passed no text: the handler gets nil
    bool wake_;
    std::shared_ptr<Channel> channel_;
  };

  // The worker's end of the path to the UI thread, one per worker state. One
  // wait object (auto-reset) serves every answer the worker waits for, so a
  // notification costs no event of its own; and the worker first watches the
  // answer's flag for a moment before it sleeps on that object, so an answer
  // that comes quickly (a progress report's) costs no system call on either
  // side. Shared with the items in flight.
  class Channel : public std::enable_shared_from_this<Channel> {
   public:
    // Null when the wait object cannot be made.
    static std::shared_ptr<Channel> create();
    explicit Channel(UniqueHandle answered) : answered_(std::move(answered)) {}

    // Sends `text` to the UI thread and waits for the answer (0 when nobody
    // answered or the service does not run).
    int notify(const char* text) noexcept;
    // Queues `text` (null: nil) for the message handlers and returns at once;
    // false when the service does not run. Reports wait in the run queue in
    // order with the notifications and reach the UI thread with the next
    // display frame (SRService::postPaced); when more than kPostBacklog wait there,
    // this one waits until the UI thread has run it (and all before it), so
    // a worker far ahead of the window cannot grow the queue without end.
    bool post(const char* text, std::size_t length) noexcept;

    static constexpr unsigned kPostBacklog = 256;

   private:
    friend class NotifyRunable;
    friend class PostRunable;
    enum AnswerState : int { kAwaited, kAnswered, kAsleep };
    // UI thread (or whoever cancels): the awaited item is done.
    void answered() noexcept;
    // Worker: waits until the item it just queued is done.
    void waitForAnswer() noexcept;

    UniqueHandle answered_;                 // auto-reset; set when the worker sleeps on it
    std::atomic<int> answer_{kAnswered};    // the awaited item's AnswerState
    std::atomic<unsigned> posted_{0};       // posted reports not yet run or dropped
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

  // The worker state's own globals: notifyMessage, postMessage (over a
  // Channel the state owns) and extractFile (bound to `extractor`, which must
  // outlive the state).
  static void registerWorkerApi(lua_State* L, PayloadExtractor* extractor);
};

}  // namespace kavri
