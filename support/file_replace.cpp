// Whole-file replacement through a temporary file renamed into place, all
// through one handle: nothing another user swaps in between two steps (a
// link at the temporary name, a file renamed away) can redirect the write,
// the rename or the clean-up.
#include "file_replace.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "support/debug_log.h"
#include "support/folders.h"
#include "support/handle_deletion.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr DWORD kWriteChunk = 16u << 20;   // bytes per WriteFile call
constexpr int kNameAttempts = 64;

std::atomic<unsigned> g_counter{0};

// A new, uniquely named file in `folder` (ending in a separator), created and
// never opened by name again. CREATE_NEW fails for anything already there,
// links included, so the file is always ours.
UniqueFile createTemporaryFile(const std::wstring& folder) {
  LARGE_INTEGER tick{};
  ::QueryPerformanceCounter(&tick);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    wchar_t name[64];
    const unsigned serial = g_counter.fetch_add(1);
    _snwprintf(name, 63, L"kav%08lx%08lx%04x.tmp", static_cast<unsigned long>(::GetCurrentProcessId()), static_cast<unsigned long>(tick.LowPart + serial * 7919u),
               serial & 0xFFFFu);
    name[63] = 0;
    UniqueFile file(::CreateFileW((folder + name).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return UniqueFile();
}

bool writeAll(HANDLE file, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = DWORD(std::min<size_t>(kWriteChunk, size - done));
    DWORD written = 0;
    KAVRI_RETURN_IF_WIN32_FALSE(::WriteFile(file, bytes + done, chunk, &written, nullptr), false);
    if (written != chunk) {   // short write: the volume is full
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    done += written;
  }
  return true;
}

// Renames the file behind `file` to `path`.
bool renameTo(HANDLE file, const std::wstring& path, bool replace) {
  const size_t nameBytes = path.size() * sizeof(wchar_t);
  std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = DWORD(nameBytes);
  std::copy(path.begin(), path.end(), info->FileName);
  return ::SetFileInformationByHandle(file, FileRenameInfo, info, DWORD(buffer.size())) != FALSE;
}

// Whether the file at `path` is in use: open without sharing by someone, or
// a running program's image. A rename over such a file fails with "access
// denied", which would read as a permission problem; opening it for writing
// tells the two apart (a sharing violation), and changes nothing.
bool targetInUse(const std::wstring& path) {
  UniqueFile probe(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

FileReplacement::~FileReplacement() {
  if (file_) markForDeletion(file_.get());   // abandoned: nothing of ours stays
}

bool FileReplacement::fail() {
  if (!failed_) error_ = ::GetLastError();
  if (error_ == 0) error_ = ERROR_WRITE_FAULT;
  failed_ = true;
  return false;
}

bool FileReplacement::open(const std::wstring& path, bool replaceExisting, bool createInPlace) {
  if (file_ || failed_) return false;
  replaceExisting_ = replaceExisting;
  ::SetLastError(ERROR_INVALID_NAME);
  if (path.empty()) return fail();
  target_ = fullPathName(path);
  if (target_.empty()) return fail();
  const size_t slash = target_.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return fail();
  if (createInPlace) {
    UniqueFile created(::CreateFileW(target_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created) {
      file_ = std::move(created);
      inPlace_ = true;
      return true;
    }
    // Something is there already (or the name is refused): the general way
    // below decides, and reports the failure that matters.
  }
  UniqueFile temporary = createTemporaryFile(target_.substr(0, slash + 1));
  if (!temporary) {
    fail();
    logWin32Failure("CreateFileW (temporary file)", __FILE__, __LINE__);
    return false;
  }
  file_ = std::move(temporary);
  return true;
}

bool FileReplacement::write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  if (!writeAll(file_.get(), data, size)) return fail();
  return true;
}

bool FileReplacement::commit() {
  if (!file_ || failed_) return false;
  if (inPlace_) {
    file_.reset();
    return true;
  }
  // Every byte is on disk before the rename makes the file visible.
  if (!::FlushFileBuffers(file_.get())) {
    fail();
    logWin32Failure("FlushFileBuffers", __FILE__, __LINE__);
    return false;
  }

  // A read-only file cannot be replaced by a rename; the new file is written
  // with normal attributes, as a fresh extraction would be. The old file is
  // opened as itself (a link is not followed) to clear the attribute, and
  // closed again before the rename, which an open file would refuse.
  DWORD oldAttributes = 0;
  bool readOnly = false;
  if (replaceExisting_) {
    UniqueFile old(::CreateFileW(target_.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (old && ::GetFileInformationByHandle(old.get(), &info)) oldAttributes = info.dwFileAttributes;
    readOnly = old && (oldAttributes & FILE_ATTRIBUTE_READONLY) && !(oldAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (readOnly) {
      FILE_BASIC_INFO basic{};
      basic.FileAttributes = (oldAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_NORMAL;
      ::SetFileInformationByHandle(old.get(), FileBasicInfo, &basic, sizeof basic);
    }
  }
  if (!renameTo(file_.get(), target_, replaceExisting_)) {
    fail();
    logWin32Failure("rename (file replacement)", __FILE__, __LINE__);
    if (error_ == ERROR_ACCESS_DENIED && replaceExisting_ && targetInUse(target_)) error_ = ERROR_SHARING_VIOLATION;
    if (readOnly) {   // the old file stays as it was
      UniqueFile old(::CreateFileW(target_.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      FILE_BASIC_INFO basic{};
      basic.FileAttributes = oldAttributes;
      if (old) ::SetFileInformationByHandle(old.get(), FileBasicInfo, &basic, sizeof basic);
    }
    return false;   // the destructor removes the temporary file
  }
  file_.reset();
  return true;
}

bool writeFileThroughTemporary(const std::wstring& path, const void* data, size_t size, bool replaceExisting) {
  DWORD error = 0;
  {
    FileReplacement replacement;
    if (replacement.open(path, replaceExisting, false) && replacement.write(data, size) && replacement.commit())
      return true;
    error = replacement.error();
  }
  ::SetLastError(error);   // after the clean-up, which makes calls of its own
  return false;
}

bool replaceFileContents(const std::wstring& path, const void* data, size_t size) {
  return writeFileThroughTemporary(path, data, size, true);
}

}  // namespace kavri
