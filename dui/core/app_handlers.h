// Application handlers: delegates for the application notification (code
// 1024), raised without a sender. The framework context owns one table.
#pragma once

#include "dui/core/delegate.h"
#include "dui/core/event.h"
#include "dui/core/handler_table.h"

namespace dui {

class ApplicationHandlers {
 public:
  // False for an empty delegate (pool exhausted).
  bool add(const Delegate& delegate) { return table_.add(events::AppNotify, delegate); }
  bool remove(const DelegateKey& key) { return table_.remove(events::AppNotify, key); }
  // Direct delivery to the handlers of e.msg in registration order, sender
  // nullptr, stopping once handled; a handler may add or remove handlers.
  void raise(Event& e);

 private:
  HandlerTable table_;
};

}  // namespace dui
