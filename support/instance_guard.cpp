// Instance mutex slot, "ShutdownTime" reader and the restart marker.
#include "instance_guard.h"

#include <aclapi.h>
#include <io.h>

#include <cstring>
#include <utility>
#include <vector>

#include "support/handle_deletion.h"
#include "support/ownership.h"
#include "support/removal_guard.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

UniqueHandle g_instanceMutex;   // the slot; start-up and releaseMutex share it

}  // namespace

InstanceResult acquireInstanceMutex(const wchar_t* name) {
  UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, name));
  if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) return InstanceResult::AlreadyRunning;
  // The mutex is there, made by an installer with administrator rights whose
  // default security keeps this one (without them) from opening it.
  if (!mutex && ::GetLastError() == ERROR_ACCESS_DENIED) return InstanceResult::AlreadyRunning;
  g_instanceMutex = std::move(mutex);   // may be empty: start-up goes on without the guard
  return InstanceResult::First;
}

void releaseInstanceMutex() { g_instanceMutex.reset(); }

bool holdsInstanceMutex() { return bool(g_instanceMutex); }

bool readShutdownTime(uint8_t value[8]) {
  UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Windows", 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  DWORD size = 8;
  return ::RegQueryValueExW(key.get(), L"ShutdownTime", nullptr, nullptr, value, &size) == ERROR_SUCCESS;
}

std::wstring restartMarkerPath() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  // No usable temporary folder (a TMP too long for the buffer would otherwise
  // leave the name at a drive's root): there is no marker then.
  if (length == 0 || length > MAX_PATH) return {};
  return std::wstring(temp, length) + L"\\pelvano_restart";
}

bool isTrustedMarkerOwner(PSID owner, PSID ownOwner) { return isTrustedOwner(owner, ownOwner); }

namespace {

bool samePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && a.size() == b.size() &&
         ::CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The marker's path as the opened file must report it: folders in long form.
std::wstring expectedFinalPath(const std::wstring& path) {
  const size_t slash = path.find_last_not_of(L'\\', path.rfind(L"\\pelvano_restart"));
  if (slash == std::wstring::npos) return {};
  const std::wstring folder = path.substr(0, slash + 1);
  wchar_t longFolder[1024];
  const DWORD length = ::GetLongPathNameW(folder.c_str(), longFolder, 1024);
  const std::wstring base = (length > 0 && length < 1024) ? std::wstring(longFolder, length) : folder;
  return normaliseAbsolutePath(base + L"\\pelvano_restart");
}

std::wstring finalPathOf(HANDLE file) {
  wchar_t buffer[1024];
  const DWORD length = ::GetFinalPathNameByHandleW(file, buffer, 1024, 0);
  if (length == 0 || length >= 1024) return {};
  return normaliseAbsolutePath(std::wstring(buffer, length));
}

// A file we may trust as the marker: an ordinary file with one name, no link
// anywhere on its way (its real path is the expected one), written by the
// administrators.
bool isGenuineMarker(HANDLE file, const std::wstring& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
    return false;
  if (info.nNumberOfLinks != 1) return false;
  if (::GetFileType(file) != FILE_TYPE_DISK) return false;
  if (!samePath(finalPathOf(file), expectedFinalPath(path))) return false;
  UniqueHlocal descriptor;
  const PSID owner = ownerOfHandle(file, descriptor);
  const std::wstring folder = path.substr(0, path.rfind(L"\\pelvano_restart"));
  std::vector<uint8_t> own = ownerOfOwnNewFiles(folder);
  return isTrustedMarkerOwner(owner, own.empty() ? nullptr : own.data());
}

// Opens whatever has the marker's name, never following a link.
UniqueFile openMarker(const std::wstring& path, DWORD access) {
  return UniqueFile(::CreateFileW(path.c_str(), access | DELETE | READ_CONTROL, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
}

// Makes the administrators the marker's owner, so a marker from anyone else
// can be told apart. Fails harmlessly without elevation.
void ownByAdministrators(HANDLE file) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return;
  ::SetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sid, nullptr, nullptr, nullptr);
}

}  // namespace

bool isRestartPending() {
  const std::wstring path = restartMarkerPath();
  if (path.empty()) return false;
  UniqueFile file = openMarker(path, GENERIC_READ);
  if (!file) return false;
  if (!isGenuineMarker(file.get(), path)) {   // planted: removed, never obeyed
    markForDeletion(file.get());
    return false;
  }
  uint8_t marker[8] = {};
  DWORD read = 0;
  const bool complete = ::ReadFile(file.get(), marker, 8, &read, nullptr) && read == 8;
  uint8_t current[8] = {};
  readShutdownTime(current);
  if (complete && std::memcmp(marker, current, 8) == 0) return true;   // no restart since the marker was written
  markForDeletion(file.get());   // short, unreadable or stale
  return false;
}

void writeRestartMarker() {
  const std::wstring path = restartMarkerPath();
  if (path.empty()) return;
  // Whatever holds the name and is not a genuine marker goes first (a link
  // loses only its own name); a genuine one is rewritten in place.
  UniqueFile file = openMarker(path, GENERIC_WRITE);
  if (file && !isGenuineMarker(file.get(), path)) {
    markForDeletion(file.get());
    file.reset();
  }
  if (!file) {
    file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_OWNER, FILE_SHARE_READ,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file) {
      ownByAdministrators(file.get());
      // The temporary folder may itself have been swapped for a link.
      if (!samePath(finalPathOf(file.get()), expectedFinalPath(path))) {
        markForDeletion(file.get());
        file.reset();
      }
    }
  }
  if (file) {
    uint8_t value[8] = {};
    readShutdownTime(value);
    DWORD written = 0;
    ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    if (::WriteFile(file.get(), value, 8, &written, nullptr) && written == 8) {
      ::SetEndOfFile(file.get());
      ::FlushFileBuffers(file.get());
    }
  }
  file.reset();
  // Scheduled even when the file could not be created, as the marker's owner
  // expects it gone after the next restart in every case.
  ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace kavri
