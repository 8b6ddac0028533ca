// Test stand-in for a program that publishes the running-process list: keeps
// the shared region and its guard mutex open and writes text into them.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "support/running_process_list.h"
#include "support/win32_handles.h"

namespace kavri::test {

class ProcessListWriter {
 public:
  ProcessListWriter() {
    mutex_.reset(::CreateMutexW(nullptr, FALSE, kProcessListMutexName));
    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kProcessListRegionBytes,
                                        kProcessListRegionName));
    if (mapping_) view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, kProcessListRegionBytes));
  }
  bool ready() const { return mutex_ && view_; }

  // Writes `units` UTF-16 units (no terminator added) over a zeroed region.
  void writeUnits(const wchar_t* units, size_t count) {
    ::WaitForSingleObject(mutex_.get(), INFINITE);
    std::memset(view_.get(), 0, kProcessListRegionBytes);
    std::memcpy(view_.get(), units, count * sizeof(wchar_t));
    ::ReleaseMutex(mutex_.get());
  }
  void write(const std::wstring& text) { writeUnits(text.c_str(), text.size()); }

  // Holds the guard mutex on another thread for `ms`; returns once it is held.
  void holdMutexFor(DWORD ms) {
    holdMs_ = ms;
    UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    heldEvent_ = held.get();
    holder_.reset(::CreateThread(nullptr, 0, holdThread, this, 0, nullptr));
    ::WaitForSingleObject(held.get(), 5000);
  }
  void waitForHolder() {
    if (holder_) ::WaitForSingleObject(holder_.get(), INFINITE);
    holder_.reset();
  }
  ~ProcessListWriter() { waitForHolder(); }

 private:
  static DWORD WINAPI holdThread(void* param) {
    auto* self = static_cast<ProcessListWriter*>(param);
    UniqueHandle mutex(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kProcessListMutexName));
    ::WaitForSingleObject(mutex.get(), INFINITE);
    ::SetEvent(self->heldEvent_);
    ::Sleep(self->holdMs_);
    ::ReleaseMutex(mutex.get());
    return 0;
  }

  UniqueHandle mutex_;
  UniqueHandle mapping_;
  UniqueMapView view_;
  UniqueHandle holder_;
  HANDLE heldEvent_ = nullptr;
  DWORD holdMs_ = 0;
};

}  // namespace kavri::test
