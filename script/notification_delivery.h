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

// While a redirect is set (by waitWork), notifications go to it instead of
// the windows' message handlers; its answer is the worker's. UI thread only.
struct NotificationRedirect {
  int (*deliver)(const char* utf8Text, void* context) noexcept = nullptr;
  void* context = nullptr;
};
// Sets `next` (an empty redirect clears it) and returns the one it replaces.
NotificationRedirect redirectNotifications(NotificationRedirect next) noexcept;

// True while a notification is being delivered (UI thread): the worker then
// waits for this very delivery, so nothing may wait for the worker.
bool deliveringNotification() noexcept;

}  // namespace kavri
