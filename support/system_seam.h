// Replaceable entry points for the system calls that stop processes, restart the
// machine or wait for a user. Production code always calls through here; tests
// swap in recorders so that no test ever kills, reboots or blocks on a dialog.
#pragma once

#include <windows.h>

namespace kavri {

struct SystemSeam {
  BOOL(WINAPI* terminateProcess)(HANDLE process, UINT exitCode);
  BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
  int(WINAPI* messageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
  // The mandatory integrity level (its RID, e.g. SECURITY_MANDATORY_MEDIUM_RID)
  // of the process behind `process`, or 0 when it cannot be read. Tests report
  // their helpers' level here where the system keeps none of its own.
  DWORD(WINAPI* processIntegrity)(HANDLE process);
};

// The real integrity query: the label of the process's token.
DWORD WINAPI queryProcessIntegrity(HANDLE process);

// The calls in use (the real system calls unless a test replaced them).
const SystemSeam& systemSeam();
// Installs `calls` and returns the previous set, so a test can restore it.
SystemSeam replaceSystemSeam(const SystemSeam& calls);
// The real system calls.
SystemSeam realSystemSeam();

}  // namespace kavri
