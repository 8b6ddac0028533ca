// Whether anyone but the trusted principals could change, rename, delete or
// re-permission a file or folder, judged from its security descriptor alone:
// no file is opened here, so every rule is checked as a table of descriptors.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kavri {

using SidBytes = std::vector<uint8_t>;

// What an entry is to the installer; each role has its own dangerous rights.
enum class EntryRole {
  // The install folder: nobody else may add, change, delete or rename
  // anything in it, nor may it pass such rights on to the entries made in it
  // (inheritable entries count as well as those on the folder itself).
  InstallFolder,
  // A folder between the volume root and the install folder: nobody else may
  // rename or delete it (DELETE), remove or rename what is in it
  // (delete-child), or change its permissions. Adding new entries beside ours
  // is harmless and allowed (drive roots let every user make folders).
  Ancestor,
  // The root of a volume or share: delete-child and permission changes only.
  VolumeRoot,
  // A file the installer relies on (its install log): nobody else may write,
  // append to, delete or re-permission it.
  File,
};

enum class PermissionProblem {
  None,
  NoPermissions,               // no owner, or no DACL at all (everyone may do everything)
  UntrustedOwner,              // an owner may always rewrite the permissions
  OthersMayWrite,              // write, append or delete-child: contents can be changed
  OthersMayRename,             // DELETE on it, or delete-child on a folder above
  OthersMayChangePermissions,  // WRITE_DAC or WRITE_OWNER
};

struct PermissionVerdict {
  PermissionProblem problem = PermissionProblem::None;
  SidBytes who;   // the untrusted owner or the principal given the right; empty when none
  bool ok() const { return problem == PermissionProblem::None; }
};

// Judges `descriptor` (owner and DACL) for `role`. Always trusted: the
// administrators, the system, the installer service (TrustedInstaller),
// CREATOR OWNER (it stands for whoever creates an entry: the installer) and
// OWNER RIGHTS (the owner, which is judged itself); besides them only the SIDs
// in `trusted`. Generic rights are mapped to file rights first. Deny entries
// are not counted in anyone's favour: an allow entry is judged as if nothing
// denied it, so the verdict can only err towards refusing. The first entry
// that gives an untrusted principal a dangerous right decides; within it,
// writing is named before renaming, and renaming before permission changes.
PermissionVerdict judgePermissions(PSECURITY_DESCRIPTOR descriptor, EntryRole role, const std::vector<SidBytes>& trusted);

// The bytes of a SID (empty for null or invalid).
SidBytes sidBytes(PSID sid);

// Whether `sid` is one of the always trusted principals judgePermissions
// names (the administrators, the system, the installer service and, unless
// `asOwner`, CREATOR OWNER and OWNER RIGHTS, which only stand for whoever
// creates or owns an entry) or one of `trusted`. False for null or invalid.
bool isTrustedPrincipal(PSID sid, const std::vector<SidBytes>& trusted, bool asOwner);

}  // namespace kavri
