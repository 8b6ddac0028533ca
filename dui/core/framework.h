// Start and stop of the UI framework on the UI thread, the framework lock and
// the framework context.
#pragma once

#include <windows.h>

namespace dui {

// Framework lock, framework context (msimg32 from the system folder) and the
// dispatcher window, plugged in as the deferred dispatcher. False when the
// dispatcher window cannot be created; the framework is then not started
// (shutdownFramework is still safe to call). The markup (skins, layouts) is
// started and stopped by the program's start-up around this, not here.
bool startFramework();
// Destroys the context and, after running the deferred calls still queued,
// the dispatcher window. Safe to call twice and without a start.
void shutdownFramework();

// Whether the framework context exists (between start-up and shutdown).
bool frameworkStarted();
// The hidden dispatcher window while the framework runs, otherwise nullptr.
HWND dispatcherWindow();

struct DeferredCall;
class ApplicationHandlers;

// The application handler table (notification code 1024) of the framework
// context; nullptr when the framework is not running. UI thread only.
ApplicationHandlers* applicationHandlers();

// Posts a deferred call record (dui/core/deferred_call.h) to the dispatcher
// window as message 1025, under the framework lock. Any thread. False (the
// record stays the caller's) when the framework is not running or the post
// failed. The dispatcher runs and frees it; so does shutdown for the calls
// still queued. Post event reaches it through the DeferredDispatcher that
// start-up plugs in.
bool postToDispatcher(DeferredCall* record);

}  // namespace dui
