// What the UI state's process functions share: this executable's own path,
// and the wait that keeps the UI thread's messages flowing meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kavri {

// This executable's full path ("" when it cannot be read).
std::wstring executablePath();

// Retrieves and dispatches the UI thread's messages until `ended` answers
// true, so this installer's windows stay responsive (and the system's
// broadcasts answered) while it waits. Between rounds it sleeps until a
// message arrives, `object` (when not null) is signalled, or `pollMs`
// milliseconds have passed. A quit message must not end the wait: it is kept
// and posted again afterwards.
void pumpMessagesUntil(const std::function<bool()>& ended, HANDLE object, DWORD pollMs);

}  // namespace kavri
