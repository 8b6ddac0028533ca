// Checking and making the install folder so that nobody but the
// administrators (or, for a per-user install that is not elevated, its own
// user) can change what is installed in it, rename it away, or re-permission
// it or any folder above it.
#pragma once

#include <string>
#include <vector>

#include "support/ownership.h"

namespace kavri {

struct FolderOutcome {
  bool ok = false;
  // One word for scripts when not ok: "invalid", "root", "file", "link",
  // "owner", "writable", "renamable", "permissions", "unreadable", "in use",
  // "cannot create".
  std::string reason;
  std::wstring message;                // a sentence naming the folder at fault
  std::vector<std::wstring> created;   // the folders this call made, outermost first
};

// Whether `path` may be installed into. Every folder from the volume root
// down is opened as itself and held (no delete sharing) while the next is
// judged: none may be a link or a file, each must really be where its name
// says (its final path is directly in its parent's), and its owner and DACL
// must pass judgePermissions (the root as VolumeRoot, the folders between as
// Ancestor, the install folder itself as InstallFolder) with the principals
// extraTrustedPrincipals(mode) adds. A missing install folder (or missing
// folders above it) passes when everything that exists above it passes:
// createInstallFolder makes the rest.
FolderOutcome checkInstallFolder(const std::wstring& path, InstallMode mode);

// The same walk, making every missing folder on the way. Folders below the
// program folders (Program Files and its 32-bit twin) take the permissions
// they inherit there, which only the administrators can change; any other
// folder is made with a protected DACL: the administrators and the system in
// full and, per machine, users reading and running, or, per user (and not
// elevated), that user in full, all inherited by what is made in it. A folder
// that appears between the check and the creation (someone else made it
// first) is judged as found, never taken over. On any refusal the folders
// made by this call are removed again and `created` is empty.
FolderOutcome createInstallFolder(const std::wstring& path, InstallMode mode);

}  // namespace kavri
