// What an elevated uninstaller may trust and remove: one entry inside an
// expected folder, removed through its own handle and only when no link on
// the way leads it elsewhere; its removal at the next restart on the same
// terms; and whether a file (the install log) is one only the
// administrators could have written.
#pragma once

#include <string>

#include "support/entry_inspection.h"
#include "support/ownership.h"

namespace kavri {

// Removes the file, link or empty folder `path` when it lies inside `root`
// (or is `root`). Both are made full and normalised; `path` must lie below
// `root` as written. Then `root` and every folder between it and the entry
// are opened as themselves and held (no delete sharing) so none can be
// swapped while the entry is handled: none may be a link, and each must
// really lie directly in the one before it. The entry is opened as itself
// (a link is removed, never followed) with sharing for readers only, its
// final path must lie inside the root's final path, and it is deleted through
// that handle (read-only cleared first). A folder goes only when empty.
// With `expectedSha256` (64 hexadecimal digits, case ignored) a file goes only
// when its content, read through the same handle that deletes it and while no
// one else may write it, has that hash.
// Reasons when not ok: "invalid", "outside", "missing", "link", "changed",
// "in use" (open elsewhere, or a running program: `error` 32 or 5),
// "not empty" (145), "failed" (with its error).
EntryOutcome removeInsideFolder(const std::wstring& root, const std::wstring& path, const std::string& expectedSha256);

// Schedules the removal of `path` at the next restart (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT), for an entry in use now. The restart removes
// by name, as the system account, so the name must still lead to the same
// place then: the same checks as removeInsideFolder, and `root` must pass
// checkInstallFolder (per machine) and every folder between it and the entry
// must let nobody else rename it. The name scheduled is the entry's final
// path. Reasons: those of removeInsideFolder (except "changed", "in use",
// "not empty") and of checkInstallFolder.
EntryOutcome removeInsideFolderAtRestart(const std::wstring& root, const std::wstring& path);

// Whether the file at `path` is one only trusted principals could have
// written or could change: not a link, not a folder, owned by the
// administrators, the system or (see extraTrustedPrincipals) the principals
// the mode adds, and writable, deletable and re-permissionable by nobody else.
// Its final path must lie directly in its folder's. With `content`, the file
// is also read (at most 64 MB) through the same handle that was judged, so
// what was checked is what the caller gets: never check a name and then read
// it again by name. Reasons: "missing", "link", "folder", "unreadable",
// "owner", "writable", "renamable", "permissions", "too large".
EntryOutcome checkProtectedFile(const std::wstring& path, InstallMode mode, std::string* content = nullptr);

}  // namespace kavri
