// Single-instance mutex and the restart-pending marker.
//
// The instance mutex keeps a second installer or uninstaller of the product
// from running (start-up names it after the product's id; "Global\KAVRIINSTALLER"
// for an executable without one). The marker file "<temp>\pelvano_restart" holds the
// system's "ShutdownTime" as it was when an installation asked for a reboot; an
// unchanged value means the machine has not restarted since.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kavri {

inline constexpr wchar_t kInstanceMutexName[] = L"Global\\KAVRIINSTALLER";

// Result of trying to become the only running instance.
enum class InstanceResult { First, AlreadyRunning };

// Creates the owned instance mutex `name` and keeps it in the process-wide slot. A
// mutex that exists but may not be opened (an installer with administrator
// rights made it, this one has none) counts as AlreadyRunning; any other
// failed CreateMutexW leaves the slot empty and still counts as First.
InstanceResult acquireInstanceMutex(const wchar_t* name = kInstanceMutexName);
// Closes the mutex if the slot still holds it and clears the slot; later calls
// do nothing. Used by start-up's teardown and by the script's releaseMutex.
void releaseInstanceMutex();
bool holdsInstanceMutex();

// Reads the 8-byte REG_BINARY "ShutdownTime" into `value` (which the caller has
// zeroed). Returns false when the key or value cannot be read.
bool readShutdownTime(uint8_t value[8]);

// "<GetTempPathW>\pelvano_restart" (the temp path ends in a backslash, so the
// name holds a doubled one; reader and writer form it the same way). Empty
// when the temporary folder's path is unavailable or too long.
std::wstring restartMarkerPath();

// True while the marker's 8 bytes equal the current "ShutdownTime". The marker
// lives in a folder its user can write, so it is opened without following
// links and trusted only as an ordinary file with a single name, whose real
// path is the expected one and whose owner is the administrators, the system
// or the owner this process's own new files get (its user when not elevated). Anything else at that name, and a
// stale, unreadable or short marker, is deleted through the opened handle
// (a link loses its own name only) and gives false.
bool isRestartPending();

// Writes the marker with the current "ShutdownTime" (zeros when unreadable)
// through a handle to a genuine marker or a newly created file owned by the
// administrators, and schedules its deletion at the next restart.
void writeRestartMarker();

// Whether a marker owned by `owner` may be trusted: the administrators and the
// system always, else only `ownOwner`, the owner this process's own new files
// get (the administrators when elevated, the user when not).
bool isTrustedMarkerOwner(PSID owner, PSID ownOwner);

}  // namespace kavri
