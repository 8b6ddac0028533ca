// Instance mutex slot, "ShutdownTime" reader and the restart marker.
#include "instance_guard.h"

#include <io.h>

#include <cstring>
#include <utility>

#include "support/win32_handles.h"

namespace kavri {
namespace {

UniqueHandle g_instanceMutex;   // the slot; start-up and releaseMutex share it

}  // namespace

InstanceResult acquireInstanceMutex() {
  UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
  if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) return InstanceResult::AlreadyRunning;
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
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"\\pelvano_restart";
}

bool isRestartPending() {
  const std::wstring path = restartMarkerPath();
  if (::_waccess(path.c_str(), 0) != 0) return false;

  uint8_t marker[8] = {};
  bool complete = false;
  {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD read = 0;
      complete = ::ReadFile(file.get(), marker, 8, &read, nullptr) && read == 8;
    }
  }
  if (!complete) {   // unreadable or short: stale
    ::DeleteFileW(path.c_str());
    return false;
  }
  uint8_t current[8] = {};
  readShutdownTime(current);
  if (std::memcmp(marker, current, 4) == 0 && std::memcmp(marker + 4, current + 4, 4) == 0)
    return true;   // no restart since the marker was written
  ::DeleteFileW(path.c_str());
  return false;
}

void writeRestartMarker() {
  const std::wstring path = restartMarkerPath();
  {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      uint8_t value[8] = {};
      readShutdownTime(value);
      DWORD written = 0;
      ::WriteFile(file.get(), value, 8, &written, nullptr);
    }
  }
  // Scheduled even when the file could not be created, as the marker's owner
  // expects it gone after the next restart in every case.
  ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace kavri
