// A private temporary folder for an elevated program: a new folder with a
// random name that only the administrators and the system (and, when not
// elevated, this process's user) may enter, and copies into it that never
// replace anything already there.
#pragma once

#include <string>

namespace kavri {

// Creates "Kavri-" and 16 random hexadecimal digits (BCryptGenRandom) in the
// temporary folder and returns its path (no trailing separator), or "" with
// the Windows error in `error`. Elevated, the temporary folder is the
// system's (C:\Windows\SystemTemp where the system has one for this account,
// else the Windows folder's Temp), where users may add entries but not
// rename or delete anyone else's; the user's own temporary folder would let
// the user's unelevated programs rename the new folder away and put a link in
// its place. Not elevated, it is the user's (GetTempPathW). There is no
// fallback to any other folder. The folder is made with CreateDirectoryW and
// a protected DACL in one step, so an existing name (a folder or link someone
// put there) fails instead of being used; a taken name is retried with new
// random digits a few times.
std::wstring createPrivateTempFolder(unsigned long& error);

// Copies `from` to `to`, which must not exist: anything at `to` (a file, a
// folder, a link, dangling or not) makes it fail with ERROR_FILE_EXISTS and is
// left as it is. False with the Windows error in `error`.
bool copyFileNoReplace(const std::wstring& from, const std::wstring& to, unsigned long& error);

}  // namespace kavri
