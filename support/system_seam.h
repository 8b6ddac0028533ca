// Replaceable entry points for the system calls that stop processes, restart the
// machine or wait for a user (a box, the prompt for administrator rights), and
// for the facts about this process that Wine cannot show both ways (elevation,
// the desktop shell). Production code always calls through here; tests swap in
// recorders so that no test ever kills, reboots or blocks on a dialog.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace kavri {

struct SystemSeam {
  BOOL(WINAPI* terminateProcess)(HANDLE process, UINT exitCode);
  BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
  int(WINAPI* messageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
  // The mandatory integrity level (its RID, e.g. SECURITY_MANDATORY_MEDIUM_RID)
  // of the process behind `process`, or 0 when it cannot be read. Tests report
  // their helpers' level here where the system keeps none of its own.
  DWORD(WINAPI* processIntegrity)(HANDLE process);
  // Whether this process runs elevated (its token's TokenElevation). Wine
  // elevates every process; tests report either answer here.
  BOOL(WINAPI* processElevated)();
  // The automation object (Shell.Application) of the desktop shell that the
  // signed-in user's explorer runs, asked for `iid`; tests stand in for a
  // session that has none.
  HRESULT(WINAPI* desktopShell)(REFIID iid, void** object);
  // Starts a program through the shell as ShellExecuteExW does; used for the
  // "runas" verb, where the system first asks the user for administrator
  // rights. Tests stand in for the user's answer and the started program.
  BOOL(WINAPI* shellExecute)(SHELLEXECUTEINFOW* info);
};

// The real integrity query: the label of the process's token.
DWORD WINAPI queryProcessIntegrity(HANDLE process);

// The real elevation query.
BOOL WINAPI queryProcessElevated();

// The calls in use (the real system calls unless a test replaced them).
const SystemSeam& systemSeam();
// Installs `calls` and returns the previous set, so a test can restore it.
SystemSeam replaceSystemSeam(const SystemSeam& calls);
// The real system calls.
SystemSeam realSystemSeam();

}  // namespace kavri
