// Opening a file or folder as itself (a link is opened, never followed) and
// the facts an elevated installer decides on: what the opened handle is, where
// it really is, and who could change it. Decisions are made on the handle,
// never on a name looked up again later.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/permission_verdict.h"
#include "support/win32_handles.h"

namespace kavri {

struct OpenedEntry {
  UniqueFile handle;
  DWORD attributes = 0;     // the handle's, plus the link bit when the entry's own name shows one
  DWORD handleAttributes = 0;   // the handle's alone
  std::wstring finalPath;   // where the handle really is, normalised ("C:\a\b"); empty when unknown
  DWORD error = 0;          // why it did not open

  bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Some file systems (Wine's) show a link only in the name's attributes and
  // let even a no-follow open reach its target; either sign counts.
  bool isLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // The handle is the link itself (not what it leads to): deleting through it removes the link only.
  bool handleIsLink() const { return (handleAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool missing() const { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
};

// Opens `path` itself (FILE_FLAG_OPEN_REPARSE_POINT, and FILE_FLAG_BACKUP_SEMANTICS
// so folders open too) with `access` and `share`. Without FILE_SHARE_DELETE
// in `share`, nobody can rename or delete the entry while the handle is held.
OpenedEntry openAsItself(const std::wstring& path, DWORD access, DWORD share);

// The sharing a folder on the way to an entry is opened with: no delete
// sharing, so nobody can rename it away (and put a link in its place) while
// the folders and entries below it are judged, made or removed.
constexpr DWORD kHeld = FILE_SHARE_READ | FILE_SHARE_WRITE;

// What checkHeldFolder found wrong with a folder on the way.
enum class HeldFolderProblem {
  None,
  Link,          // it is a link
  File,          // it is not a folder
  NoFinalPath,   // where it really is cannot be told
  Redirected,    // it really is somewhere other than directly in its parent
  Permissions,   // someone untrusted could change it (see `verdict`)
};

struct HeldFolderCheck {
  HeldFolderProblem problem = HeldFolderProblem::None;
  PermissionVerdict verdict;   // for Permissions
  DWORD readError = 0;         // for Permissions: why the descriptor could not be read
  bool ok() const { return problem == HeldFolderProblem::None; }
};

// Checks a folder on the way down, opened (and held, with kHeld) by
// openAsItself: it is no link and a folder, its final path is known and lies
// directly in `parentFinal` (not checked when empty: the first folder), and,
// with `trusted`, its owner and DACL pass judgePermissions for `role`
// (with READ_CONTROL on the handle). The first failing check is named.
HeldFolderCheck checkHeldFolder(const OpenedEntry& folder, const std::wstring& parentFinal, EntryRole role,
                                const std::vector<SidBytes>* trusted);

// Where `handle` really is (GetFinalPathNameByHandleW), normalised; empty
// when the system cannot say.
std::wstring normalisedFinalPath(HANDLE handle);

// Case-insensitive path relations on normalised paths.
bool samePath(const std::wstring& a, const std::wstring& b);
// `inner` is `outer` or lies below it.
bool isSameOrInside(const std::wstring& inner, const std::wstring& outer);
// `child` is an entry directly in `parent`.
bool isDirectChild(const std::wstring& child, const std::wstring& parent);

// Reads the owner and DACL of the entry behind `handle` (opened with
// READ_CONTROL) and judges them for `role`. A descriptor that cannot be read
// (a file system without permissions) counts as NoPermissions; `error` then
// holds the reason.
PermissionVerdict judgeOpenEntry(HANDLE handle, EntryRole role, const std::vector<SidBytes>& trusted, DWORD& error);

// The outcome of a check or an action on one entry, for scripts: a keyword
// and a sentence when it did not go, and the Windows error where one applies.
struct EntryOutcome {
  bool ok = false;
  std::string reason;
  std::wstring message;
  DWORD error = 0;
};

// A sentence naming `path` and what is wrong with it ("C:\Kavri lets
// NT AUTHORITY\Authenticated Users add or change files in it").
std::wstring describeVerdict(const std::wstring& path, const PermissionVerdict& verdict, EntryRole role,
                             DWORD readError);
// One word for scripts: "owner", "writable", "renamable", "permissions",
// "unreadable"; "" for no problem.
const char* verdictKeyword(const PermissionVerdict& verdict);

}  // namespace kavri
