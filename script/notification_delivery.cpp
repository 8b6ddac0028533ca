// Background notifications reaching the UI script's message handlers.
#include "notification_delivery.h"

#include <cstdint>

#include "dui/core/app_handlers.h"
#include "dui/core/event.h"
#include "dui/core/framework.h"
#include "support/debug_log.h"

namespace kavri {

namespace {
NotificationRedirect g_redirect;   // UI thread only
int g_deliveries = 0;              // deliveries under way (UI thread only)

struct DeliveryScope {
  DeliveryScope() noexcept { ++g_deliveries; }
  ~DeliveryScope() { --g_deliveries; }
};
}  // namespace

bool deliveringNotification() noexcept { return g_deliveries > 0; }

NotificationRedirect redirectNotifications(NotificationRedirect next) noexcept {
  const NotificationRedirect previous = g_redirect;
  g_redirect = next;
  return previous;
}

int deliverNotification(const char* utf8Text) noexcept {
  const DeliveryScope delivering;
  if (g_redirect.deliver) return g_redirect.deliver(utf8Text, g_redirect.context);
  dui::ApplicationHandlers* handlers = dui::applicationHandlers();
  if (!handlers) return 0;
  dui::Event e = dui::makeEvent(dui::events::AppNotify, reinterpret_cast<std::uintptr_t>(utf8Text), 0);
  e.routing = dui::Routing::Direct;
  try {
    handlers->raise(e);
  } catch (...) {
    debugLog(L"notification: delivery failed; answered 0");
    return 0;
  }
  return static_cast<int>(e.lparam);
}

}  // namespace kavri
