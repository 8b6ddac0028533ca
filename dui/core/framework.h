// Start and stop of the UI framework on the UI thread.
#pragma once

namespace dui {

// Framework lock, framework context and the dispatcher window.
bool startFramework();
// Closes the layout and skin packages, destroys the context and, after running
// the deferred calls still queued, the dispatcher window.
void shutdownFramework();

}  // namespace dui
