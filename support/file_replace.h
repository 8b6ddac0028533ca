// Replacing a file's content so that a failure never loses the old file.
#pragma once

#include <cstddef>
#include <string>

#include "support/win32_handles.h"

namespace kavri {

// Writes `size` bytes to a newly created, uniquely named temporary file in the
// destination's folder and, only once every byte is written and flushed,
// renames it over `path` (a read-only file there is replaced too; a link there
// is replaced itself, never written through). The temporary file is written,
// renamed and on failure deleted through its own handle. On any failure (missing or unwritable folder, a
// write error, a destination that is in use or is a folder) returns false,
// removes the temporary file and leaves the old file at `path` as it was,
// attributes included. The folder is not created. After a failure the
// thread's last error is the Windows error that stopped it (ERROR_DISK_FULL
// for a short write, ERROR_INVALID_NAME for a path without a folder,
// ERROR_SHARING_VIOLATION for a destination in use, a running program's
// file included).
bool replaceFileContents(const std::wstring& path, const void* data, size_t size);

// The same; with `replaceExisting` false an existing file at `path` is never
// replaced (false is returned and the file stays as it is).
bool writeFileThroughTemporary(const std::wstring& path, const void* data, size_t size, bool replaceExisting);

// A file's new content written in pieces, with the same guarantee (and the
// same errors, through error() instead of the thread's last error): until
// commit() succeeds the old file at the path stays as it was, and a
// replacement that is abandoned (destroyed without a commit, or after any
// failure) leaves nothing of its own behind.
//
// With `createInPlace`, a path where nothing exists yet is written directly
// (created new, so a file or link appearing there in between is never opened)
// and not flushed: there is no old file to protect, and a failure deletes the
// partial file. Otherwise, and whenever something is already there, the
// content goes to a temporary file in the same folder that is flushed and
// renamed over the old one.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement();

  bool open(const std::wstring& path, bool replaceExisting, bool createInPlace);
  bool write(const void* data, size_t size);
  bool commit();
  // The system error code of the first failure (0 when none).
  unsigned long error() const { return error_; }

 private:
  bool fail();

  UniqueFile file_;              // the open file, while the replacement is under way
  std::wstring target_;
  bool inPlace_ = false;
  bool replaceExisting_ = true;
  bool failed_ = false;
  unsigned long error_ = 0;
};

}  // namespace kavri
