// The "runas" start of a program, through the system seam.
#include "support/elevated_start.h"

#include <windows.h>
#include <shellapi.h>

#include "support/system_seam.h"

namespace kavri {

bool startElevated(const std::wstring& file, const std::wstring& parameters, UniqueHandle& process,
                   unsigned long& error) {
  process.reset();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // The handle, to wait for the outcome; no error box of the shell's own (the
  // script says what went wrong); not before the program has started.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!systemSeam().shellExecute(&info)) {
    error = ::GetLastError();
    if (error == 0) error = ERROR_GEN_FAILURE;
    return false;
  }
  process.reset(info.hProcess);
  if (!process) {   // no process to wait for (an .exe always gives one)
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  error = 0;
  return true;
}

}  // namespace kavri
