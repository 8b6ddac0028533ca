// Private temporary folders: random names, protected permissions, no reuse.
#include "private_temp.h"

#include <windows.h>
#include <bcrypt.h>

#include "support/entry_inspection.h"
#include "support/ownership.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr int kNameAttempts = 8;

// The folder to make the private folder in, with a trailing separator; "" when there is none.
std::wstring temporaryFolder(bool elevated) {
  wchar_t path[MAX_PATH + 1] = {};
  if (elevated) {
    // GetTempPath2W gives the system account a folder only administrators may
    // enter; for anyone else it gives what GetTempPathW gives.
    using TempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
    const auto tempPath2 = reinterpret_cast<TempPath2>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
    wchar_t user[MAX_PATH + 1] = {};
    const DWORD userLength = ::GetTempPathW(MAX_PATH + 1, user);
    if (tempPath2) {
      const DWORD length = tempPath2(MAX_PATH + 1, path);
      if (length > 0 && length <= MAX_PATH &&
          !(userLength > 0 && userLength <= MAX_PATH && samePath(std::wstring(path, length), user)))
        return std::wstring(path, length);
    }
    const UINT length = ::GetWindowsDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(path, length);
    if (folder.back() != L'\\') folder += L'\\';
    folder += L"Temp\\";
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return folder;
  }
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return {};
  return std::wstring(path, length);
}

}  // namespace

std::wstring createPrivateTempFolder(unsigned long& error) {
  error = 0;
  const bool elevated = systemSeam().processElevated() != FALSE;
  const std::wstring parent = temporaryFolder(elevated);
  if (parent.empty()) {
    error = ERROR_PATH_NOT_FOUND;
    return {};
  }
  // The administrators and the system, and the user too when not elevated.
  UniqueHlocal descriptor = protectedFolderDescriptor(!elevated);
  if (!descriptor) {
    error = ::GetLastError() ? ::GetLastError() : ERROR_INVALID_SECURITY_DESCR;
    return {};
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    uint8_t random[8];
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      error = ERROR_INVALID_FUNCTION;
      return {};
    }
    std::wstring folder = parent + L"Kavri-";
    static const wchar_t kDigits[] = L"0123456789abcdef";
    for (uint8_t byte : random) {
      folder += kDigits[byte >> 4];
      folder += kDigits[byte & 15];
    }
    if (::CreateDirectoryW(folder.c_str(), &attributes)) return folder;
    error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool copyFileNoReplace(const std::wstring& from, const std::wstring& to, unsigned long& error) {
  error = 0;
  // COPY_FILE_FAIL_IF_EXISTS creates the target as new: a name already taken,
  // even by a dangling link, fails.
  if (::CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) return true;
  error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS) error = ERROR_FILE_EXISTS;
  return false;
}

}  // namespace kavri
