// Removal inside an expected folder through handles held from the folder down
// to the entry, and the install log's trust check.
#include "guarded_removal.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "support/content_hash.h"
#include "support/folders.h"
#include "support/handle_deletion.h"
#include "support/install_folder.h"
#include "support/removal_guard.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr LONGLONG kLargestProtectedFile = 64ll << 20;       // a log, not a payload

EntryOutcome outcome(const char* reason, const std::wstring& message, DWORD error = 0) {
  EntryOutcome result;
  result.reason = reason;
  result.message = error ? message + L" (error " + std::to_wstring(error) + L")" : message;
  result.error = error;
  return result;
}

EntryOutcome done() {
  EntryOutcome result;
  result.ok = true;
  return result;
}

std::wstring fullNormal(const std::wstring& path) {
  return path.empty() ? std::wstring() : normaliseAbsolutePath(fullPathName(path));
}

// The folders from the root down to the entry's parent, opened and held.
struct Chain {
  std::wstring entryPath;        // normalised, as written
  bool entryIsRoot = false;
  std::wstring rootFinal;        // where the root really is
  std::wstring parentFinal;      // where the entry's folder really is
  std::vector<OpenedEntry> held;
};

EntryOutcome openChain(const std::wstring& root, const std::wstring& path, bool judgeFolders, Chain& chain) {
  const std::wstring rootPath = fullNormal(root);
  chain.entryPath = fullNormal(path);
  if (rootPath.empty() || chain.entryPath.empty()) return outcome("invalid", L"a path is empty or not a full path");
  if (!isSameOrInside(chain.entryPath, rootPath)) return outcome("outside", chain.entryPath + L" is not inside " + rootPath);
  chain.entryIsRoot = samePath(chain.entryPath, rootPath);

  std::vector<SidBytes> trusted;
  if (judgeFolders) trusted = extraTrustedPrincipals(InstallMode::PerMachine);
  // The root itself is held only when the entry lies below it (the entry is
  // opened for deletion, which a held root would refuse).
  std::vector<std::wstring> folders;
  if (!chain.entryIsRoot) {
    folders.push_back(rootPath);
    const size_t start = rootPath.back() == L'\\' ? rootPath.size() : rootPath.size() + 1;
    size_t slash = chain.entryPath.find(L'\\', start);
    while (slash != std::wstring::npos) {
      folders.push_back(chain.entryPath.substr(0, slash));
      slash = chain.entryPath.find(L'\\', slash + 1);
    }
  }
  for (size_t index = 0; index < folders.size(); ++index) {
    const std::wstring& folder = folders[index];
    OpenedEntry entry = openAsItself(folder, judgeFolders ? READ_CONTROL : 0, kHeld);
    if (!entry.handle) {
      if (entry.missing()) return outcome("missing", folder + L" does not exist");
      if (entry.error == ERROR_SHARING_VIOLATION) return outcome("in use", folder + L" is held open", entry.error);
      return outcome("failed", folder + L" cannot be opened", entry.error);
    }
    // The root has no parent to lie in, and was judged with the install
    // folder's own check.
    const HeldFolderCheck check = checkHeldFolder(entry, index == 0 ? std::wstring() : chain.parentFinal,
                                                  EntryRole::Ancestor, judgeFolders && index > 0 ? &trusted : nullptr);
    switch (check.problem) {
      case HeldFolderProblem::None:
        break;
      case HeldFolderProblem::Link:
        return outcome("link", folder + L" is a link to another place");
      case HeldFolderProblem::File:
        return outcome("missing", folder + L" is a file, not a folder");
      case HeldFolderProblem::NoFinalPath:
        return outcome("failed", folder + L": where it really is cannot be told");
      case HeldFolderProblem::Redirected:
        return outcome("link", folder + L" leads to " + entry.finalPath + L" through a link");
      case HeldFolderProblem::Permissions:
        return outcome(verdictKeyword(check.verdict),
                       describeVerdict(folder, check.verdict, EntryRole::Ancestor, check.readError));
    }
    if (index == 0) chain.rootFinal = entry.finalPath;
    chain.parentFinal = entry.finalPath;
    chain.held.push_back(std::move(entry));
  }
  return done();
}

// Checks the opened entry against the chain; the entry must be itself (a link
// only when the handle is the link) and really lie where the chain says.
EntryOutcome placeEntry(const Chain& chain, const OpenedEntry& entry) {
  if (entry.isLink() && !entry.handleIsLink())   // the handle reached what the link leads to
    return outcome("link", chain.entryPath + L" is a link that cannot be removed as itself");
  if (entry.finalPath.empty()) return outcome("failed", chain.entryPath + L": where it really is cannot be told");
  if (!chain.entryIsRoot && (!isDirectChild(entry.finalPath, chain.parentFinal) ||
                             !isSameOrInside(entry.finalPath, chain.rootFinal)))
    return outcome("link", chain.entryPath + L" leads to " + entry.finalPath + L" through a link");
  return done();
}

bool sameHash(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(wchar_t(a[i])) != std::towlower(wchar_t(b[i]))) return false;
  return true;
}

}  // namespace

EntryOutcome removeInsideFolder(const std::wstring& root, const std::wstring& path, const std::string& expectedSha256) {
  Chain chain;
  EntryOutcome opened = openChain(root, path, false, chain);
  if (!opened.ok) return opened;
  const bool compare = !expectedSha256.empty();
  // Readers may share; nobody may write or delete it while it is judged.
  OpenedEntry entry = openAsItself(chain.entryPath, DELETE | FILE_WRITE_ATTRIBUTES | (compare ? FILE_READ_DATA : 0),
                                   FILE_SHARE_READ);
  if (!entry.handle) {
    if (entry.missing()) return outcome("missing", chain.entryPath + L" does not exist");
    if (entry.error == ERROR_SHARING_VIOLATION) return outcome("in use", chain.entryPath + L" is in use", entry.error);
    return outcome("failed", chain.entryPath + L" cannot be opened", entry.error);
  }
  EntryOutcome placed = placeEntry(chain, entry);
  if (!placed.ok) return placed;

  if (compare) {
    std::string actual;
    unsigned long error = 0;
    if (entry.isFolder() || entry.handleIsLink())
      return outcome("changed", chain.entryPath + L" is no longer the file that was installed");
    if (!sha256OfOpenFile(entry.handle.get(), actual, error))
      return outcome("failed", chain.entryPath + L" cannot be read", error);
    if (!sameHash(actual, expectedSha256)) return outcome("changed", chain.entryPath + L" was changed since it was installed");
  }

  const DWORD attributes = entry.handleAttributes;
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) && !entry.isFolder();
  if (readOnly) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(entry.handle.get(), FileBasicInfo, &basic, sizeof basic);
  }
  if (markForDeletion(entry.handle.get())) return done();   // gone when the handle closes
  const DWORD error = ::GetLastError();
  if (readOnly) {   // the entry stays as it was
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes;
    ::SetFileInformationByHandle(entry.handle.get(), FileBasicInfo, &basic, sizeof basic);
  }
  if (error == ERROR_DIR_NOT_EMPTY) return outcome("not empty", chain.entryPath + L" is not empty", error);
  // Deletion was granted at the open; a refusal now is a running program's image.
  if (error == ERROR_ACCESS_DENIED) return outcome("in use", chain.entryPath + L" is in use by a running program", error);
  return outcome("failed", chain.entryPath + L" cannot be removed", error);
}

EntryOutcome removeInsideFolderAtRestart(const std::wstring& root, const std::wstring& path) {
  const FolderOutcome folder = checkInstallFolder(root, InstallMode::PerMachine);
  if (!folder.ok) {
    EntryOutcome refused = outcome(folder.reason.c_str(), folder.message);
    return refused;
  }
  Chain chain;
  EntryOutcome opened = openChain(root, path, true, chain);
  if (!opened.ok) return opened;
  OpenedEntry entry = openAsItself(chain.entryPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!entry.handle) {
    if (entry.missing()) return outcome("missing", chain.entryPath + L" does not exist");
    return outcome("failed", chain.entryPath + L" cannot be opened", entry.error);
  }
  EntryOutcome placed = placeEntry(chain, entry);
  if (!placed.ok) return placed;
  if (!::MoveFileExW(entry.finalPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    return outcome("failed", chain.entryPath + L" cannot be scheduled for removal", ::GetLastError());
  return done();
}

EntryOutcome checkProtectedFile(const std::wstring& path, InstallMode mode, std::string* content) {
  const std::wstring full = fullNormal(path);
  if (full.empty()) return outcome("missing", L"no file was named");
  // Read with others reading only: nobody writes it between the check and the read.
  OpenedEntry entry = openAsItself(full, READ_CONTROL | (content ? FILE_READ_DATA : 0),
                                   content ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!entry.handle) {
    if (entry.missing()) return outcome("missing", full + L" does not exist");
    return outcome("unreadable", full + L" cannot be opened", entry.error);
  }
  if (entry.isLink()) return outcome("link", full + L" is a link to another place");
  if (entry.isFolder()) return outcome("folder", full + L" is a folder, not a file");
  // Some file systems show a file link nowhere but in where its handle ends up.
  const size_t slash = full.find_last_of(L'\\');
  const OpenedEntry folder = openAsItself(full.substr(0, slash == 2 ? 3 : slash), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!folder.handle || !isDirectChild(entry.finalPath, folder.finalPath))
    return outcome("link", full + L" leads to " + entry.finalPath + L" through a link");
  DWORD readError = 0;
  const PermissionVerdict verdict = judgeOpenEntry(entry.handle.get(), EntryRole::File, extraTrustedPrincipals(mode),
                                                   readError);
  if (!verdict.ok()) return outcome(verdictKeyword(verdict), describeVerdict(full, verdict, EntryRole::File, readError));
  if (content) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(entry.handle.get(), &size)) return outcome("unreadable", full + L" has no size", ::GetLastError());
    if (size.QuadPart > kLargestProtectedFile) return outcome("too large", full + L" is larger than 64 MB");
    content->assign(size_t(size.QuadPart), '\0');
    size_t filled = 0;
    while (filled < content->size()) {
      DWORD read = 0;
      if (!::ReadFile(entry.handle.get(), &(*content)[filled], DWORD(content->size() - filled), &read, nullptr))
        return outcome("unreadable", full + L" cannot be read", ::GetLastError());
      if (read == 0) break;
      filled += read;
    }
    content->resize(filled);
  }
  return done();
}

}  // namespace kavri
