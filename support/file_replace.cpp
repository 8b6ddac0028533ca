// Whole-file replacement through a temporary file and a rename.
#include "file_replace.h"

#include <windows.h>

#include <algorithm>

#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr DWORD kWriteChunk = 16u << 20;   // bytes per WriteFile call

// Deletes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const wchar_t* path) : path_(path) {}
  ~TemporaryFile() {
    if (!kept_) ::DeleteFileW(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  void keep() { kept_ = true; }

 private:
  const wchar_t* path_;
  bool kept_ = false;
};

bool writeAll(const wchar_t* path, const void* data, size_t size) {
  UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  KAVRI_RETURN_IF_WIN32_FALSE(file, false);
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = DWORD(std::min<size_t>(kWriteChunk, size - done));
    DWORD written = 0;
    KAVRI_RETURN_IF_WIN32_FALSE(::WriteFile(file.get(), bytes + done, chunk, &written, nullptr), false);
    if (written != chunk) return false;   // short write: the volume is full
    done += written;
  }
  // Closing reports late write errors on some file systems.
  KAVRI_RETURN_IF_WIN32_FALSE(::CloseHandle(file.release()), false);
  return true;
}

}  // namespace

bool replaceFileContents(const std::wstring& path, const void* data, size_t size) {
  if (path.empty()) return false;
  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);

  wchar_t temporary[MAX_PATH];
  // Creates a new, empty, uniquely named file; fails for a missing or
  // unwritable folder, and nothing exists yet that could be lost.
  KAVRI_RETURN_IF_WIN32_FALSE(::GetTempFileNameW(folder.c_str(), L"kav", 0, temporary), false);
  TemporaryFile cleanup(temporary);
  if (!writeAll(temporary, data, size)) return false;

  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                        !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // A read-only file cannot be replaced by a rename; the new file is written
  // with normal attributes, as a fresh extraction would be.
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
  if (!::MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    logWin32Failure("MoveFileExW", __FILE__, __LINE__);
    if (readOnly) ::SetFileAttributesW(path.c_str(), attributes);   // the old file stays as it was
    return false;
  }
  cleanup.keep();
  return true;
}

}  // namespace kavri
