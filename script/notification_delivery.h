// Delivery of a background notification to the UI script (UI thread only).
//
// This is the one seam between the background work and the window script
// API. For now it reaches the script's message handlers through the "__window"
// registry directly: every registered window that has a message handler, in
// registry order, gets the text through `lua_invokeMessageHandler`, and the
// last handler's answer wins (no handler: 0). That is what the forwarders of
// `setMessageHandler` do once the window API raises application message 1024
// for a notification; when it does, this function becomes "raise message 1024
// through the application handlers and return the answer they wrote".
#pragma once

namespace kavri {

// Runs the UI script's message handlers for `utf8Text` (null is passed to the
// script as nil) and returns the answer as an integer; a non-number answer, no
// handler, no UI state or a script error give 0. Script errors are contained
// like every native-to-script call. Never throws.
int deliverNotification(const char* utf8Text) noexcept;

}  // namespace kavri
