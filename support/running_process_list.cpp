// Shared running-process list: guard protocol, parsing, termination by name.
#include "running_process_list.h"

#include <sddl.h>
#include <aclapi.h>
#include <tlhelp32.h>

#include <cstring>

#include "support/debug_log.h"
#include "support/ownership.h"
#include "support/system_seam.h"

namespace kavri {
namespace {

// Holds the guard mutex for one copy; a signalled or abandoned mutex counts.
// Long form of a path, or the path itself when it cannot be resolved.
std::wstring longPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD length = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH * 2);
  return (length && length < MAX_PATH * 2) ? std::wstring(buffer, length) : path;
}

bool startsWithFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (::CompareStringOrdinal(path.c_str(), int(folder.size()), folder.c_str(), int(folder.size()), TRUE) !=
      CSTR_EQUAL)
    return false;
  return folder.back() == L'\\' || path[folder.size()] == L'\\';
}

// The whole list lies in committed, readable pages of one region. A writer
// may create the region reserved only (its pages never committed) or smaller
// than the list: copying it would fault.
bool isReadableRegion(const void* view) {
  const auto* start = static_cast<const uint8_t*>(view);
  size_t checked = 0;
  while (checked < kProcessListRegionBytes) {
    MEMORY_BASIC_INFORMATION info{};
    if (::VirtualQuery(start + checked, &info, sizeof info) != sizeof info) return false;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return false;
    const size_t regionEnd = size_t(static_cast<const uint8_t*>(info.BaseAddress) - start) + info.RegionSize;
    if (regionEnd <= checked) return false;
    checked = regionEnd;
  }
  return true;
}

std::wstring windowsFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
  return (length && length < MAX_PATH) ? longPath(std::wstring(buffer, length)) : std::wstring();
}

// Facts about the process behind `process`, found in the snapshot as `pid`.
ListedProcessFacts factsOf(DWORD pid, HANDLE process, const std::wstring& name, DWORD ourSession,
                           const std::wstring& windows, const std::vector<uint8_t>& ourUser) {
  ListedProcessFacts facts;
  facts.isSelf = pid == ::GetCurrentProcessId() || ::GetProcessId(process) == ::GetCurrentProcessId();
  DWORD session = 0;
  facts.sameSession = ::ProcessIdToSessionId(pid, &session) && session == ourSession;
  wchar_t image[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  if (::QueryFullProcessImageNameW(process, 0, image, &length)) {
    // Read from the opened handle: a process that took over a reused id
    // carries another image name.
    const std::wstring imagePath(image, length);
    facts.imageNameMatches = ::lstrcmpiW(fileNamePart(imagePath).c_str(), name.c_str()) == 0;
    facts.imageOutsideWindows = !windows.empty() && !startsWithFolder(longPath(imagePath), windows);
  }
  const std::vector<uint8_t> user = tokenUserSid(process);
  facts.sameUser = !user.empty() && user == ourUser;
  facts.integrity = systemSeam().processIntegrity ? systemSeam().processIntegrity(process) : 0;
  return facts;
}

}  // namespace

bool mayEndListedProcess(const ListedProcessFacts& facts) {
  return !facts.isSelf && facts.sameSession && facts.imageNameMatches && facts.imageOutsideWindows &&
         facts.sameUser && facts.integrity != 0 && facts.integrity <= SECURITY_MANDATORY_MEDIUM_RID;
}

bool applyLowIntegrityLabel(HANDLE object) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"S:(ML;;NW;;;LW)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
    return false;
  UniqueHlocal owner(descriptor);
  PACL sacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!::GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted)) return false;
  return ::SetSecurityInfo(object, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                           sacl) == ERROR_SUCCESS;
}

bool RunningProcessList::open() {
  if (view_) return true;
  mutex_.reset(::CreateMutexW(nullptr, FALSE, kProcessListMutexName));
  if (!mutex_) return false;
  applyLowIntegrityLabel(mutex_.get());   // every time; failure is not fatal
  bool mapped = false;
  {
    ScopedMutexWait lock(mutex_.get(), kProcessListWaitMs);
    mapped = lock.held() && mapRegion();
  }
  if (!mapped) close();   // once the mutex is released: close drops its handle
  return mapped;
}

bool RunningProcessList::mapRegion() {
  mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kProcessListRegionBytes,
                                      kProcessListRegionName));
  const bool created = mapping_ && ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (!mapping_) return false;
  if (created) applyLowIntegrityLabel(mapping_.get());
  view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, kProcessListRegionBytes));
  if (!view_) return false;
  if (created) std::memset(view_.get(), 0, kProcessListRegionBytes);
  viewSize_ = kProcessListRegionBytes;
  return true;
}

bool RunningProcessList::read(wchar_t* buffer) {
  if (!open()) return false;
  if (viewSize_ >= kProcessListRegionBytes && isReadableRegion(view_.get())) {
    ScopedMutexWait lock(mutex_.get(), kProcessListWaitMs);
    // One copy: writers may change the region at any time after the release,
    // so everything below works on the private copy only.
    if (lock.held()) std::memcpy(buffer, view_.get(), kProcessListRegionBytes);
  }
  buffer[kProcessListUnits - 1] = 0;   // text without a zero unit is cut at 2047 characters
  close();
  return buffer[0] != 0;
}

void RunningProcessList::close() {
  view_.reset();
  viewSize_ = 0;
  mapping_.reset();
  mutex_.reset();
}

std::wstring readRunningProcessList() {
  std::vector<wchar_t> buffer(kProcessListUnits, 0);
  RunningProcessList list;
  if (!list.read(buffer.data())) return std::wstring();
  return std::wstring(buffer.data());
}

std::vector<std::wstring> splitProcessList(const wchar_t* text) {
  std::vector<std::wstring> entries;
  const wchar_t* start = text;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p != L';') continue;
    if (p > start) entries.emplace_back(start, p);
    start = p + 1;
  }
  return entries;
}

std::wstring fileNamePart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool terminateProcessesByName(const std::wstring& path) {
  const std::wstring name = fileNamePart(path);
  debugLog(name);
  if (name.empty() || name.size() >= MAX_PATH) return false;   // cannot equal any entry's name

  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));   // INVALID_HANDLE_VALUE on failure
  if (!snapshot) return false;
  DWORD ourSession = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &ourSession)) return false;
  const std::wstring windows = windowsFolder();
  const std::vector<uint8_t> ourUser = tokenUserSid(::GetCurrentProcess());

  bool lastSucceeded = false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, name.c_str()) != 0) continue;
    UniqueHandle process(
        ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process) continue;
    if (!mayEndListedProcess(factsOf(entry.th32ProcessID, process.get(), name, ourSession, windows, ourUser))) {
      debugLogf(L"not stopping process %lu (%ls): system, foreign or higher process", entry.th32ProcessID,
                entry.szExeFile);
      continue;
    }
    lastSucceeded = systemSeam().terminateProcess(process.get(), 0) != FALSE;
  }
  return lastSucceeded;
}

void killRunningProcesses() {
  const std::wstring text = readRunningProcessList();
  const std::vector<std::wstring> entries = splitProcessList(text.c_str());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    debugLog(*it);
    terminateProcessesByName(*it);
  }
  terminateProcessesByName(kInstalledApplicationName);
}

}  // namespace kavri
