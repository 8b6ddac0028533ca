// Deferred calls: work posted to the UI thread's dispatcher window and run
// there later, between other messages (post event, a button's Click).
#pragma once

#include "dui/core/event.h"

namespace dui {

class Control;

// Heap record carried in wParam of the dispatcher's message 1025.
struct DeferredCall {
  void* target = nullptr;
  void (*function)(void* target, void* first, void* second) = nullptr;
  void* first = nullptr;
  void* second = nullptr;
};

// Runs the call and frees the record. The dispatcher window calls it for each
// message 1025 (also for those still queued at shutdown). Handlers run inside
// it, so the caller (a window procedure) must catch what they might throw.
void runDeferredCall(DeferredCall* call);

// The window side: takes the framework lock and, while the framework context
// exists, posts the record to the dispatcher window and returns true (the
// record now belongs to the queue); otherwise returns false and the caller
// frees it. May be called from any thread.
class DeferredDispatcher {
 public:
  virtual bool post(DeferredCall* call) = 0;

 protected:
  ~DeferredDispatcher() = default;
};

// Framework start-up plugs its dispatcher into CorePlugs::deferredDispatcher
// (dui/core/core_plugs.h); the object stays valid for the rest of the process
// (its post answers false after shutdown). None: post event does nothing.

// Posts a record to the dispatcher; frees it and returns false when there is
// no dispatcher or it refused.
bool postDeferredCall(DeferredCall* call);

// Deferred delivery of a copy of `e` (handled reset) to `control`: raised
// later on the UI thread with raiseEvent, and dropped then when the control
// has left the tree or died (also when a new control took its address).
// Returns whether the event was queued. Callable from any thread, but only
// the UI thread may use the control otherwise.
bool postEvent(Control* control, const Event& e);

}  // namespace dui
