// ModuleFile: the program's own file (the setup), opened once at start-up and
// held to the end, after proving it is the file the process was loaded from.
// While it is held nobody can write, rename or delete the file, so what the
// installer reads from it later (the payload's views) is what was loaded: a
// copy planted at the setup's path after it started is never read. Nothing
// reopens the file by its path. Also the whole-file check against the
// checksum the build wrote into the header (pe_checksum.h). Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "support/win32_handles.h"

namespace kavri {

class ModuleFile {
 public:
  enum class Pin {
    Pinned,      // the loaded file, held: no writer, rename or deletion while it is
    OtherFile,   // what the path names now is not (provably) the loaded file: not used
    Refused,     // the file cannot be opened so (someone holds it to write, rename or delete it): not used
  };

  // Opens the file `module` (an executable or DLL mapped as an image) was
  // loaded from, as its loaded-module path names it. On anything but Pinned
  // nothing is held and the caller reads the loaded image instead.
  Pin pin(HMODULE module);
  // The same with the path given (which need not name the module's file).
  Pin pin(HMODULE module, const std::wstring& path);

  bool pinned() const { return static_cast<bool>(file_); }
  HANDLE handle() const { return file_.get(); }
  uint64_t size() const { return size_; }

  enum class Checksum {
    Intact,        // the whole file sums to the checksum in its header
    Damaged,       // it does not (a flipped bit, a cut-off download), or the header is unreadable
    NotRecorded,   // the header's checksum is 0: the build wrote none
    Unreadable,    // a read of the file failed
  };
  // Reads the whole held file (in pieces, not mapped: a read error is an
  // answer here, where a mapped page would raise) and checks it.
  Checksum verifyChecksum() const;

 private:
  UniqueFile file_;
  uint64_t size_ = 0;
};

// The checksum check of ModuleFile::verifyChecksum over any open file of
// `size` bytes (it reads at explicit offsets: the file pointer is untouched).
ModuleFile::Checksum verifyFileChecksum(HANDLE file, uint64_t size);

// Whether `view` (a view of a file mapping) and the image of `module` are
// mapped from the same file; false also when the system cannot tell.
bool mappedFromModuleFile(HMODULE module, const void* view);

}  // namespace kavri
