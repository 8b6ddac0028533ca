// Delivery of application notifications.
#include "dui/core/app_handlers.h"

namespace dui {

void ApplicationHandlers::raise(Event& e) {
  const std::vector<Delegate>* list = table_.find(e.msg);
  if (!list) return;
  HandlerSnapshot snapshot;
  for (const Delegate& d : *list) snapshot.append(d);
  for (std::size_t i = 0; i < snapshot.size(); ++i) {
    if (e.handled) break;
    snapshot[i].invoke(nullptr, e);
  }
}

}  // namespace dui
