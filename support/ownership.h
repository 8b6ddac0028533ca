// Who owns a file or folder, and whether that owner may be trusted by a
// process that may run elevated: the administrators, the system and the owner
// this process's own new files get are trusted, nobody else.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace kavri {

// The owner of the object behind `file` (a handle with READ_CONTROL); null
// when unreadable. `descriptor` keeps the returned SID alive.
PSID ownerOfHandle(HANDLE file, UniqueHlocal& descriptor);

// The owner the system gives a file this process creates in `folder` (the
// administrators when it runs elevated, its user when not), read from a
// short-lived file of its own; empty when none can be created there.
std::vector<uint8_t> ownerOfOwnNewFiles(const std::wstring& folder);

// True for the administrators, the system, the installer service and
// `ownOwner` (as ownerOfOwnNewFiles gives it; may be null).
bool isTrustedOwner(PSID owner, PSID ownOwner);

// Whether an install folder may be used: a missing folder may (the installer
// creates it and owns it); an existing one only as an ordinary folder (not a
// link) whose owner is trusted. A folder some user made in advance would keep
// that user's rights over everything installed into it.
bool isInstallFolderSafe(const std::wstring& path);

}  // namespace kavri
