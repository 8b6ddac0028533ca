// Notifications: posting from the worker, answering on the UI thread.
#include "script/lua_work.h"
#include "script/notification_delivery.h"
#include "support/debug_log.h"

namespace kavri {

LuaWork::NotifyRunable::NotifyRunable(const char* text)
    : text_(text), done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!done_) logWin32Failure("CreateEventW", __FILE__, __LINE__);
}

void LuaWork::NotifyRunable::run() {
  // The UI script's answer, through the application message 1024 and the
  // forwarders of setMessageHandler (see notification_delivery.h).
  result_ = deliverNotification(text_);
  ::SetEvent(done_.get());
}

void LuaWork::NotifyRunable::cancel() {
  result_ = 0;
  ::SetEvent(done_.get());
}

int LuaWork::NotifyRunable::waitForAnswer() {
  ::WaitForSingleObject(done_.get(), INFINITE);
  return result_;
}

int LuaWork::notify(const char* text) noexcept {
  try {
    auto item = std::make_shared<NotifyRunable>(text);
    if (!item->valid()) return 0;
    // Not queued (the service stopped): nobody would ever answer.
    if (!SRService::instance().post(item)) return 0;
    return item->waitForAnswer();
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace kavri
