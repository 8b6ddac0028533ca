// Delivery of a background notification to the UI script (UI thread only):
// the application message 1024 raised through the application handlers,
// where the forwarders of `setMessageHandler` hand the text to the windows'
// message handlers.
#pragma once

namespace kavri {

// Raises the application message 1024 with `utf8Text` as its first parameter
// (null reaches the script as nil) and returns the second parameter the
// forwarders wrote: the last handler's integer answer; a non-number answer,
// no handler, no running framework or a script error give 0. Script errors
// are contained like every native-to-script call. Never throws.
int deliverNotification(const char* utf8Text) noexcept;

}  // namespace kavri
