// Replacing a file's content so that a failure never loses the old file.
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace kavri
