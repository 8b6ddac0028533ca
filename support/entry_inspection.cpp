// Entries opened as themselves, their real place and the verdict on who could
// change them.
#include "entry_inspection.h"

#include <aclapi.h>

#include <algorithm>
#include <cwctype>

#include "support/ownership.h"
#include "support/removal_guard.h"

namespace kavri {
namespace {

std::wstring lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
  return text;
}

}  // namespace

OpenedEntry openAsItself(const std::wstring& path, DWORD access, DWORD share) {
  OpenedEntry entry;
  entry.handle.reset(::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry.handle) {
    entry.error = ::GetLastError();
    return entry;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(entry.handle.get(), &info)) {
    entry.error = ::GetLastError();
    entry.handle.reset();
    return entry;
  }
  entry.attributes = entry.handleAttributes = info.dwFileAttributes;
  const DWORD byName = ::GetFileAttributesW(path.c_str());
  if (byName != INVALID_FILE_ATTRIBUTES) entry.attributes |= byName & FILE_ATTRIBUTE_REPARSE_POINT;
  entry.finalPath = normalisedFinalPath(entry.handle.get());
  return entry;
}

std::wstring normalisedFinalPath(HANDLE handle) {
  std::wstring buffer(512, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = ::GetFinalPathNameByHandleW(handle, &buffer[0], DWORD(buffer.size()), 0);
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return normaliseAbsolutePath(buffer);
    }
    buffer.assign(length + 1, L'\0');
  }
  return {};
}

bool samePath(const std::wstring& a, const std::wstring& b) { return !a.empty() && lower(a) == lower(b); }

bool isSameOrInside(const std::wstring& inner, const std::wstring& outer) {
  if (inner.empty() || outer.empty()) return false;
  std::wstring base = lower(outer);
  const std::wstring candidate = lower(inner);
  if (candidate == base) return true;
  if (base.back() != L'\\') base += L'\\';   // a root keeps its separator
  return candidate.compare(0, base.size(), base) == 0;
}

bool isDirectChild(const std::wstring& child, const std::wstring& parent) {
  if (!isSameOrInside(child, parent) || samePath(child, parent)) return false;
  const size_t start = parent.back() == L'\\' ? parent.size() : parent.size() + 1;
  return child.find(L'\\', start) == std::wstring::npos;
}

PermissionVerdict judgeOpenEntry(HANDLE handle, EntryRole role, const std::vector<SidBytes>& trusted, DWORD& error) {
  error = 0;
  PSECURITY_DESCRIPTOR raw = nullptr;
  error = ::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, &raw);
  UniqueHlocal descriptor(raw);
  if (error != ERROR_SUCCESS) {
    PermissionVerdict verdict;
    verdict.problem = PermissionProblem::NoPermissions;
    return verdict;
  }
  return judgePermissions(descriptor.get(), role, trusted);
}

HeldFolderCheck checkHeldFolder(const OpenedEntry& folder, const std::wstring& parentFinal, EntryRole role,
                                const std::vector<SidBytes>* trusted) {
  HeldFolderCheck check;
  if (folder.isLink())
    check.problem = HeldFolderProblem::Link;
  else if (!folder.isFolder())
    check.problem = HeldFolderProblem::File;
  else if (folder.finalPath.empty())
    check.problem = HeldFolderProblem::NoFinalPath;
  else if (!parentFinal.empty() && !isDirectChild(folder.finalPath, parentFinal))
    check.problem = HeldFolderProblem::Redirected;
  else if (trusted) {
    check.verdict = judgeOpenEntry(folder.handle.get(), role, *trusted, check.readError);
    if (!check.verdict.ok()) check.problem = HeldFolderProblem::Permissions;
  }
  return check;
}

std::wstring describeVerdict(const std::wstring& path, const PermissionVerdict& verdict, EntryRole role,
                             DWORD readError) {
  const std::wstring who = accountName(verdict.who);
  const bool file = role == EntryRole::File;
  switch (verdict.problem) {
    case PermissionProblem::None:
      return L"";
    case PermissionProblem::NoPermissions:
      if (readError)
        return path + L": its permissions cannot be read (error " + std::to_wstring(readError) +
               L"); a drive without permissions lets everyone change it";
      return path + L" has no permissions: everyone may change it";
    case PermissionProblem::UntrustedOwner:
      return path + L" belongs to " + who + L", who could change its permissions";
    case PermissionProblem::OthersMayWrite:
      if (who.empty()) return path + L" has a permission entry that cannot be read";
      return path + L" lets " + who + (file ? L" change it" : L" add or change files in it");
    case PermissionProblem::OthersMayRename:
      return path + L" lets " + who +
             (role == EntryRole::Ancestor || role == EntryRole::VolumeRoot ? L" rename or delete it or the folders in it"
                                                                           : L" rename or delete it");
    case PermissionProblem::OthersMayChangePermissions:
      return path + L" lets " + who + L" change its permissions";
  }
  return path + L" cannot be judged";
}

const char* verdictKeyword(const PermissionVerdict& verdict) {
  switch (verdict.problem) {
    case PermissionProblem::None:
      return "";
    case PermissionProblem::NoPermissions:
      return "unreadable";
    case PermissionProblem::UntrustedOwner:
      return "owner";
    case PermissionProblem::OthersMayWrite:
      return "writable";
    case PermissionProblem::OthersMayRename:
      return "renamable";
    case PermissionProblem::OthersMayChangePermissions:
      return "permissions";
  }
  return "unreadable";
}

}  // namespace kavri
