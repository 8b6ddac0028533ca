// Deleting an entry through the handle it was opened by: what goes is what
// was opened (a link loses only its own name), never whatever its name leads
// to by the time of the deletion.
#pragma once

#include <windows.h>

namespace kavri {

// Marks the entry behind `handle` (opened with DELETE) for deletion; it goes
// when the last handle to it closes. False, with the last error set, when the
// system refuses (a folder that is not empty, a running program's image, a
// read-only file).
inline bool markForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace kavri
