// Single-instance mutex and the restart-pending marker.
//
// The mutex "Global\KAVRIINSTALLER" keeps a second installer or uninstaller of
// the product from running. The marker file "<temp>\pelvano_restart" holds the
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

// Creates the owned instance mutex and keeps it in the process-wide slot. A
// failed CreateMutexW leaves the slot empty and still counts as First.
InstanceResult acquireInstanceMutex();
// Closes the mutex if the slot still holds it and clears the slot; later calls
// do nothing. Used by start-up's teardown and by the script's releaseMutex.
void releaseInstanceMutex();
bool holdsInstanceMutex();

// Reads the 8-byte REG_BINARY "ShutdownTime" into `value` (which the caller has
// zeroed). Returns false when the key or value cannot be read.
bool readShutdownTime(uint8_t value[8]);

// "<GetTempPathW>\pelvano_restart" (the temp path ends in a backslash, so the
// name holds a doubled one; reader and writer form it the same way).
std::wstring restartMarkerPath();

// True while the marker's 8 bytes equal the current "ShutdownTime". A stale,
// unreadable or short marker is deleted and gives false.
bool isRestartPending();

// Writes the marker with the current "ShutdownTime" (zeros when unreadable) and
// schedules its deletion at the next restart.
void writeRestartMarker();

}  // namespace kavri
