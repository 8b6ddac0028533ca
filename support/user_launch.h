// Starting a program or document as the signed-in user, never with this
// process's administrator rights: the installed program and its readme at the
// end of an install, which the user's own (unelevated) file associations and
// programs open.
#pragma once

#include <windows.h>

#include <string>

namespace kavri {

struct UserLaunch {
  std::wstring file;         // a program or a document
  std::wstring parameters;
  std::wstring verb;         // "" for the default verb
  std::wstring directory;    // "" for the shell's choice
  int show = SW_SHOWNORMAL;
};

// Starts `launch` as the signed-in user. A process that is not elevated
// starts it itself (ShellExecuteExW, no error box): it has no rights the user
// lacks. An elevated one asks the desktop shell of the signed-in user to
// start it, so it runs with that user's own token, environment and file
// associations, as a double-click would start it. When there is no such shell
// (the system account, a service or deployment session, no explorer running,
// another user's desktop) nothing is started: false, with `reason` saying why.
// True means started (not elevated) or accepted by the shell (elevated; the
// shell itself reports a file it cannot open, and no process handle or exit
// code comes back).
bool startAsSignedInUser(const UserLaunch& launch, std::wstring& reason);

// The desktop shell's automation object, asked for `iid` (the system seam's
// real desktopShell): the desktop folder view of the explorer that owns the
// desktop, found through the shell windows list. The calling thread must have
// COM initialised.
HRESULT WINAPI findDesktopShell(REFIID iid, void** object);

}  // namespace kavri
