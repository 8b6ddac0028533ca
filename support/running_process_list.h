// The list of running programs that other programs publish in named shared
// memory, and stopping processes by executable file name.
//
// The list is UTF-16 text in a 4096-byte page-file region, guarded by a named
// mutex; entries end with ';'. Both objects carry the low integrity label so
// low-integrity writers can reach them. This process only creates them
// (zero-filled) when they are missing and copies the text out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace kavri {

inline constexpr wchar_t kProcessListMutexName[] = L"B225A8E1-72D4-4ED6-834F-55BD8E70E63A";
inline constexpr wchar_t kProcessListRegionName[] = L"4DC1097A-58F5-40F4-AD49-F77C1C1B9858";
inline constexpr DWORD kProcessListRegionBytes = 4096;
inline constexpr size_t kProcessListUnits = kProcessListRegionBytes / sizeof(wchar_t);
inline constexpr DWORD kProcessListWaitMs = 100;
// The installed application, always stopped after the listed programs.
inline constexpr wchar_t kInstalledApplicationName[] = L"Pelvano.exe";

// Puts the low mandatory label ("S:(ML;;NW;;;LW)") on a kernel object.
bool applyLowIntegrityLabel(HANDLE object);

// One use of the shared list: open, copy, close. Lives on the caller's stack.
class RunningProcessList {
 public:
  // Creates or opens the mutex and the region and maps the region; a region
  // that did not exist yet is zero-filled under the mutex.
  bool open();
  // Copies the region once, under the mutex, into `buffer` (kProcessListUnits
  // units, zero on entry) and closes everything. A region whose pages the
  // writer never committed, or that is shorter than the list, reads as empty. The copy always ends with a
  // zero unit: text without one is cut at 2047 characters. True when the text
  // is non-empty.
  bool read(wchar_t* buffer);
  void close();

 private:
  // Under the mutex: creates or opens the region and maps it.
  bool mapRegion();

  UniqueHandle mutex_;
  UniqueHandle mapping_;
  UniqueMapView view_;
  DWORD viewSize_ = 0;
};

// Reads the list text; empty when the list is empty or unavailable.
std::wstring readRunningProcessList();

// The entries of the list text in order: the runs of text ended by ';', empty
// ones skipped, text after the last ';' dropped.
std::vector<std::wstring> splitProcessList(const wchar_t* text);

// The characters after the last '\' or '/'; the whole path when it has neither.
std::wstring fileNamePart(const std::wstring& path);

// What is known of a process found under a listed name, read from the handle
// that would end it.
struct ListedProcessFacts {
  bool isSelf = false;
  bool sameSession = false;
  bool imageNameMatches = false;   // the opened process's own image has the listed name (not a reused id)
  bool imageOutsideWindows = false;
  bool sameUser = false;
  DWORD integrity = 0;             // mandatory level RID; 0 when unknown
};

// Whether a process may be ended through the list, which low-integrity
// programs can write: never this process, one in another session or of
// another user, one whose image is not the listed one, a system program in
// the Windows folder, or one above medium integrity (or of unknown level).
bool mayEndListedProcess(const ListedProcessFacts& facts);

// Terminates (exit code 0, no wait) the processes whose executable file name
// equals fileNamePart(path), ignoring case, when mayEndListedProcess allows
// it. A name of 260 or more units matches nothing. Returns whether the last
// termination attempt succeeded.
bool terminateProcessesByName(const std::wstring& path);

// Terminates the listed programs, from the last entry to the first, then the
// installed application.
void killRunningProcesses();

}  // namespace kavri
