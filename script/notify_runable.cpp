// Notifications and posted reports: sent from the worker, run on the UI thread.
#include "script/lua_work.h"
#include "script/notification_delivery.h"
#include "support/debug_log.h"

namespace kavri {

// --- Notifications: the worker waits for the answer.

LuaWork::NotifyRunable::NotifyRunable(const char* text, std::shared_ptr<Channel> channel)
    : text_(text), channel_(std::move(channel)) {}

void LuaWork::NotifyRunable::run() {
  // The UI script's answer, through the application message 1024 and the
  // forwarders of setMessageHandler (see notification_delivery.h).
  result_ = deliverNotification(text_);
  channel_->answered();
}

void LuaWork::NotifyRunable::cancel() {
  result_ = 0;
  channel_->answered();
}

// --- Posted reports: nobody waits, unless the queue was long.

LuaWork::PostRunable::PostRunable(std::string text, bool isNil, bool wake, std::shared_ptr<Channel> channel)
    : text_(std::move(text)), isNil_(isNil), wake_(wake), channel_(std::move(channel)) {}

void LuaWork::PostRunable::run() {
  deliverNotification(isNil_ ? nullptr : text_.c_str());   // the answer goes nowhere
  finished();
}

void LuaWork::PostRunable::cancel() { finished(); }

void LuaWork::PostRunable::finished() {
  channel_->posted_.fetch_sub(1);
  if (wake_) channel_->answered();
}

// --- The worker's channel.

namespace {

// How long the worker watches for a quick answer before it sleeps: about
// what the UI thread takes to run a progress report's handler, far shorter
// than a question to the user. It yields its processor while it watches
// (a busy spin would keep the UI thread or the Wine server off it on a
// loaded machine, which measured several times slower than not watching).
constexpr LONGLONG kWatchMicroseconds = 100;

LONGLONG ticksNow() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONGLONG ticksPerSecond() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}

}  // namespace

void LuaWork::Channel::answered() noexcept {
  if (answer_.exchange(kAnswered) == kAsleep) ::SetEvent(answered_.get());
}

void LuaWork::Channel::waitForAnswer() noexcept {
  const LONGLONG until = ticksNow() + ticksPerSecond() * kWatchMicroseconds / 1000000;
  while (answer_.load() == kAwaited && ticksNow() < until) ::SwitchToThread();
  int awaited = kAwaited;
  if (answer_.compare_exchange_strong(awaited, kAsleep)) ::WaitForSingleObject(answered_.get(), INFINITE);
}

std::shared_ptr<LuaWork::Channel> LuaWork::Channel::create() {
  UniqueHandle answered(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!answered) {
    logWin32Failure("CreateEventW", __FILE__, __LINE__);
    return nullptr;
  }
  return std::make_shared<Channel>(std::move(answered));
}

int LuaWork::Channel::notify(const char* text) noexcept {
  try {
    auto item = std::make_shared<NotifyRunable>(text, shared_from_this());
    // Only this item can answer now: the worker waits for every item that
    // answers before it sends the next.
    answer_.store(kAwaited);
    // Not queued (the service stopped): nobody would ever answer.
    if (!SRService::instance().post(item)) return 0;
    waitForAnswer();
    return item->result();
  } catch (const std::exception&) {
    return 0;
  }
}

bool LuaWork::Channel::post(const char* text, std::size_t length) noexcept {
  try {
    const bool wake = posted_.fetch_add(1) + 1 > kPostBacklog;
    auto item = std::make_shared<PostRunable>(text ? std::string(text, length) : std::string(), text == nullptr,
                                              wake, shared_from_this());
    if (wake) answer_.store(kAwaited);
    // A report waits for the next display frame with the others of its
    // burst; the one the worker waits for wakes the UI thread now.
    SRService& service = SRService::instance();
    if (!(wake ? service.post(item) : service.postPaced(item))) {
      posted_.fetch_sub(1);
      return false;
    }
    if (wake) waitForAnswer();
    return true;
  } catch (const std::exception&) {
    posted_.fetch_sub(1);   // only a failed allocation comes here, before anything was queued
    return false;
  }
}

}  // namespace kavri
