// Starting a program with administrator rights: the shell's "runas" verb, for
// which the system first asks the user (the consent or credentials prompt).
// An installer that lets its user choose an install for all users starts
// itself again this way and waits for that copy's outcome.
#pragma once

#include <string>

#include "support/win32_handles.h"

namespace kavri {

// Starts `file` with `parameters` through the system seam's shellExecute and
// the "runas" verb, and hands back its process handle. False with the Windows
// error in `error` when it was not started: ERROR_CANCELLED (1223) when the
// user refused the prompt, anything else when it could not be started.
bool startElevated(const std::wstring& file, const std::wstring& parameters, UniqueHandle& process,
                   unsigned long& error);

}  // namespace kavri
