// The install folder's walk from the volume root down: judge every folder on
// the way through a handle held against renames, and make the missing ones
// with permissions that keep everyone else out.
#include "install_folder.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "support/entry_inspection.h"
#include "support/folders.h"
#include "support/handle_deletion.h"
#include "support/removal_guard.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// Users read and run what a per-machine install puts in a folder it makes
// (beside the administrators and the system in full; nothing the folder above
// grants, such as Authenticated Users: Modify on a drive root, flows in).
constexpr wchar_t kUsersReadAce[] = L"(A;OICI;0x1200a9;;;BU)";

std::wstring withCode(const std::wstring& text, DWORD code) {
  return text + L" (error " + std::to_wstring(code) + L")";
}

FolderOutcome refusal(const char* reason, const std::wstring& message) {
  FolderOutcome outcome;
  outcome.reason = reason;
  outcome.message = message;
  return outcome;
}

// Program Files and its 32-bit twin: what is made below them inherits
// permissions that only the administrators can change.
bool belowProgramFolders(const std::wstring& normal) {
  std::vector<std::wstring> folders;
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0])
      folders.push_back(path);
  }
  wchar_t native[MAX_PATH] = {};   // the 64-bit folder, as a 32-bit process names it
  const DWORD length = ::GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH);
  if (length > 0 && length < MAX_PATH) folders.push_back(native);
  for (const std::wstring& folder : folders) {
    const std::wstring programs = normaliseAbsolutePath(folder);
    if (isSameOrInside(normal, programs) && !samePath(normal, programs)) return true;
  }
  return false;
}

class FolderWalk {
 public:
  FolderWalk(InstallMode mode, bool create) : mode_(mode), create_(create) {}
  ~FolderWalk() { undo(); }
  FolderWalk(const FolderWalk&) = delete;
  FolderWalk& operator=(const FolderWalk&) = delete;

  FolderOutcome run(const std::wstring& path);

 private:
  struct Held {
    OpenedEntry entry;
    bool made;
    std::wstring path;
  };

  FolderOutcome judge(const OpenedEntry& entry, const std::wstring& path, const std::wstring& parentFinal,
                      EntryRole role);
  // Opens one folder on the way, making it first when it is missing.
  OpenedEntry openOrMake(const std::wstring& path, bool& made, DWORD& createError);
  // Removes the folders this walk made (innermost first), through their handles.
  void undo();

  InstallMode mode_;
  bool create_;
  bool keepMade_ = false;
  std::vector<SidBytes> trusted_;
  UniqueHlocal descriptor_;
  bool inherit_ = false;
  std::vector<Held> held_;
};

FolderOutcome FolderWalk::judge(const OpenedEntry& entry, const std::wstring& path, const std::wstring& parentFinal,
                                EntryRole role) {
  const HeldFolderCheck check = checkHeldFolder(entry, parentFinal, role, &trusted_);
  switch (check.problem) {
    case HeldFolderProblem::None:
      break;
    case HeldFolderProblem::Link:
      return refusal("link", path + L" is a link to another place");
    case HeldFolderProblem::File:
      return refusal("file", path + L" is a file, not a folder");
    case HeldFolderProblem::NoFinalPath:
      return refusal("unreadable", path + L": where it really is cannot be told");
    case HeldFolderProblem::Redirected:
      return refusal("link", path + L" leads to " + entry.finalPath + L" through a link");
    case HeldFolderProblem::Permissions:
      return refusal(verdictKeyword(check.verdict), describeVerdict(path, check.verdict, role, check.readError));
  }
  return FolderOutcome{true, "", L"", {}};
}

OpenedEntry FolderWalk::openOrMake(const std::wstring& path, bool& made, DWORD& createError) {
  made = false;
  createError = 0;
  OpenedEntry entry = openAsItself(path, READ_CONTROL, kHeld);
  if (entry.handle || !entry.missing() || !create_) return entry;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor_.get(), FALSE};
  if (::CreateDirectoryW(path.c_str(), inherit_ ? nullptr : &attributes)) {
    made = true;
  } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
    createError = ::GetLastError();
    return entry;
  }   // else: someone else made it in between; it is judged as found
  return openAsItself(path, READ_CONTROL | (made ? DELETE : 0), kHeld);
}

void FolderWalk::undo() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (it->made && !keepMade_) markForDeletion(it->entry.handle.get());
    it->entry.handle.reset();   // an inner folder goes before its parent's handle closes
  }
  held_.clear();
}

FolderOutcome FolderWalk::run(const std::wstring& path) {
  std::wstring slashed = path;
  std::replace(slashed.begin(), slashed.end(), L'/', L'\\');
  if (slashed.empty()) return refusal("invalid", L"no folder was named");
  const std::wstring full = normaliseAbsolutePath(fullPathName(slashed));
  std::wstring root;
  std::vector<std::wstring> parts;
  if (full.empty() || !splitAbsolutePath(full, root, parts)) return refusal("invalid", path + L" is not a full path");
  if (parts.empty()) return refusal("root", full + L" is the root of a drive");

  const bool elevated = systemSeam().processElevated() != FALSE;
  const bool perUser = mode_ == InstallMode::PerUser && !elevated;
  trusted_ = extraTrustedPrincipals(mode_, elevated);
  if (create_) {
    inherit_ = belowProgramFolders(full);
    if (!inherit_) {
      descriptor_ = perUser ? protectedFolderDescriptor(true) : protectedFolderDescriptor(false, kUsersReadAce);
      if (!descriptor_) return refusal("cannot create", withCode(full + L" cannot be given its permissions", ::GetLastError()));
    }
  }

  // A root is never renamed; it is opened with every sharing so that nothing
  // else holding it open stands in the way.
  OpenedEntry rootEntry =
      openAsItself(root, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!rootEntry.handle) return refusal("invalid", withCode(root + L" cannot be opened", rootEntry.error));
  DWORD readError = 0;
  const PermissionVerdict rootVerdict = judgeOpenEntry(rootEntry.handle.get(), EntryRole::VolumeRoot, trusted_, readError);
  if (!rootVerdict.ok())
    return refusal(verdictKeyword(rootVerdict), describeVerdict(root, rootVerdict, EntryRole::VolumeRoot, readError));
  // A drive letter mapped onto a folder has a final path elsewhere: what is
  // below the root is judged against where the root really is.
  std::wstring parentFinal = rootEntry.finalPath.empty() ? normaliseAbsolutePath(root) : rootEntry.finalPath;

  std::wstring current = root.substr(0, root.size() - 1);
  for (size_t index = 0; index < parts.size(); ++index) {
    current += L"\\" + parts[index];
    const EntryRole role = index + 1 == parts.size() ? EntryRole::InstallFolder : EntryRole::Ancestor;
    bool made = false;
    DWORD createError = 0;
    OpenedEntry entry = openOrMake(current, made, createError);
    if (createError) return refusal("cannot create", withCode(current + L" cannot be created", createError));
    if (!entry.handle) {
      if (entry.missing() && !create_) return FolderOutcome{true, "", L"", {}};   // the rest is made later
      if (entry.error == ERROR_INVALID_NAME)
        return refusal("invalid", current + L" is not a valid folder name");
      if (entry.error == ERROR_SHARING_VIOLATION)
        return refusal("in use", withCode(current + L" is held open by another program", entry.error));
      return refusal("unreadable", withCode(current + L" cannot be opened", entry.error));
    }
    const std::wstring final = entry.finalPath;
    held_.push_back(Held{std::move(entry), made, current});
    FolderOutcome step = judge(held_.back().entry, current, parentFinal, role);
    if (!step.ok) return step;   // the destructor removes what this walk made
    parentFinal = final;
  }
  FolderOutcome outcome{true, "", L"", {}};
  for (const Held& folder : held_)
    if (folder.made) outcome.created.push_back(folder.path);
  keepMade_ = true;
  return outcome;
}

}  // namespace

FolderOutcome checkInstallFolder(const std::wstring& path, InstallMode mode) {
  FolderWalk walk(mode, false);
  return walk.run(path);
}

FolderOutcome createInstallFolder(const std::wstring& path, InstallMode mode) {
  FolderWalk walk(mode, true);
  return walk.run(path);
}

}  // namespace kavri
