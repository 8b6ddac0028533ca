// Who owns a file or folder, and whether that owner may be trusted by a
// process that may run elevated: the administrators, the system and the owner
// this process's own new files get are trusted, nobody else. Also whom an
// installation's mode (per machine, per user) trusts besides them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/permission_verdict.h"
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
// `ownOwner` (as ownerOfOwnNewFiles gives it; may be null): isTrustedPrincipal
// as an owner.
bool isTrustedOwner(PSID owner, PSID ownOwner);

// Whom an installation is for. A per-machine install must be under the
// administrators' control alone. A per-user install may also be under its own
// user's control, but only while the installer is not elevated: an elevated
// installer must not work in a folder that the user's unelevated programs
// could change under it.
enum class InstallMode { PerMachine, PerUser };

// The principals trusted besides the administrators, the system and the
// installer service (see judgePermissions): when elevated, the owner the
// system gives this process's own new files (the administrators, or the
// system when running as it; Wine gives every file its one user); when not
// elevated and per-user, this process's user; none otherwise. Elevation is
// asked of the system seam on every call; the owner of new files is probed
// once and kept.
std::vector<SidBytes> extraTrustedPrincipals(InstallMode mode);
// The same for a caller that has asked about elevation already.
std::vector<SidBytes> extraTrustedPrincipals(InstallMode mode, bool elevated);

// The user of a process's token (a handle with PROCESS_QUERY_LIMITED_INFORMATION);
// empty when unreadable.
SidBytes tokenUserSid(HANDLE process);

// This process's user.
SidBytes processUserSid();

// A protected descriptor for a folder made for the installer alone: the
// system and the administrators in full, then `otherAces` (SDDL entries), then
// this process's user in full when `withProcessUser`, every entry inherited by
// what is made in it. Protected, so nothing the folder above grants flows in.
// Empty (with the last error set) when the user or the descriptor cannot be had.
UniqueHlocal protectedFolderDescriptor(bool withProcessUser, const wchar_t* otherAces = L"");

// "DOMAIN\name" for a SID, or its "S-1-..." text when it has no name here.
std::wstring accountName(const SidBytes& sid);

}  // namespace kavri
