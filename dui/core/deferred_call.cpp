// Deferred calls and deferred events.
#include "dui/core/deferred_call.h"

#include <cstdint>

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/core_plugs.h"

namespace dui {
namespace {

// The copy of a posted event and the serial of the control it is aimed at.
struct PostedEvent {
  Event event;
  std::uint32_t serial;
};

void raisePostedEvent(void*, void* first, void* second) {
  auto* control = static_cast<Control*>(first);
  auto* posted = static_cast<PostedEvent*>(second);
  posted->event.handled = 0;
  if (isLive(control, posted->serial)) raiseEvent(control, posted->event);
  delete posted;
}

}  // namespace

void runDeferredCall(DeferredCall* call) {
  if (!call) return;
  struct Free {
    DeferredCall* call;
    ~Free() { delete call; }
  } free{call};
  if (call->function) call->function(call->target, call->first, call->second);
}

bool postDeferredCall(DeferredCall* call) {
  if (!call) return false;
  DeferredDispatcher* dispatcher = corePlugs().deferredDispatcher;
  if (dispatcher && dispatcher->post(call)) return true;
  delete call;
  return false;
}

bool postEvent(Control* control, const Event& e) {
  if (!control) return false;
  // Pool memory is never returned to the system, so reading the serial of a
  // control that another thread is destroying reads stale data, never faults;
  // the UI thread then simply drops the event.
  auto* posted = new PostedEvent{e, control->serial()};
  posted->event.handled = 0;
  auto* call = new DeferredCall;
  call->target = control;
  call->function = &raisePostedEvent;
  call->first = control;
  call->second = posted;
  if (postDeferredCall(call)) return true;
  delete posted;   // the record went with the refused call
  return false;
}

}  // namespace dui
