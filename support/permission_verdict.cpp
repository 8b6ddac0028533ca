// The permission decision: owner first, then every allow entry of the DACL
// that reaches the entry (or, for the install folder, what it passes on).
#include "permission_verdict.h"

#include <sddl.h>

#include "support/win32_handles.h"

namespace kavri {
namespace {

// Trusted as owners and as holders of any right.
constexpr const wchar_t* kTrustedPrincipals[] = {
    L"S-1-5-32-544",                                                   // BUILTIN\Administrators
    L"S-1-5-18",                                                       // NT AUTHORITY\SYSTEM
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",   // NT SERVICE\TrustedInstaller
};
// Trusted as holders of rights only: they name whoever creates or owns the
// entry, never a principal of their own.
constexpr const wchar_t* kStandInPrincipals[] = {
    L"S-1-3-0",   // CREATOR OWNER
    L"S-1-3-4",   // OWNER RIGHTS
};

struct KnownPrincipals {
  std::vector<SidBytes> trusted;    // kTrustedPrincipals
  std::vector<SidBytes> standIns;   // kStandInPrincipals
};

template <size_t N>
std::vector<SidBytes> parseSids(const wchar_t* const (&texts)[N]) {
  std::vector<SidBytes> sids;
  for (const wchar_t* text : texts) {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidW(text, &sid)) continue;
    UniqueHlocal release(sid);
    sids.push_back(sidBytes(sid));
  }
  return sids;
}

// Parsed once: every owner and every entry of every DACL is compared with them.
const KnownPrincipals& knownPrincipals() {
  static const KnownPrincipals known{parseSids(kTrustedPrincipals), parseSids(kStandInPrincipals)};
  return known;
}

bool isAnyOf(PSID sid, const std::vector<SidBytes>& sids) {
  for (const SidBytes& bytes : sids) {
    if (bytes.empty()) continue;
    const PSID other = const_cast<uint8_t*>(bytes.data());
    if (::IsValidSid(other) && ::EqualSid(sid, other)) return true;
  }
  return false;
}

struct DangerousRights {
  ACCESS_MASK write;
  ACCESS_MASK rename;
  ACCESS_MASK permissions;
  bool inheritedCounts;   // entries passed on to new children count too
};

DangerousRights dangerousRightsOf(EntryRole role) {
  constexpr ACCESS_MASK kPermissions = WRITE_DAC | WRITE_OWNER;
  switch (role) {
    case EntryRole::InstallFolder:
      return {FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD, DELETE, kPermissions, true};
    case EntryRole::Ancestor:
      return {0, DELETE | FILE_DELETE_CHILD, kPermissions, false};
    case EntryRole::VolumeRoot:
      return {0, FILE_DELETE_CHILD, kPermissions, false};
    case EntryRole::File:
      break;
  }
  return {FILE_WRITE_DATA | FILE_APPEND_DATA, DELETE, kPermissions, false};
}

// The rights and principal of an allow entry; false for other entry types.
// `parsed` is false for an allow entry too damaged to read.
bool readAllowEntry(const ACE_HEADER* header, ACCESS_MASK& mask, PSID& sid, bool& parsed) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(header);
  size_t sidOffset = 0;
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:   // conditional: counted as if the condition held
      sidOffset = 8;
      break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
      if (header->AceSize < 12) break;
      const DWORD flags = *reinterpret_cast<const DWORD*>(bytes + 8);
      sidOffset = 12 + ((flags & ACE_OBJECT_TYPE_PRESENT) ? 16 : 0) +
                  ((flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) ? 16 : 0);
      break;
    }
    default:
      return false;   // deny and audit entries
  }
  parsed = false;
  if (sidOffset == 0 || sidOffset + 8 > header->AceSize) return true;
  mask = *reinterpret_cast<const ACCESS_MASK*>(bytes + 4);
  sid = const_cast<uint8_t*>(bytes + sidOffset);
  parsed = ::IsValidSid(sid) && sidOffset + ::GetLengthSid(sid) <= header->AceSize;
  return true;
}

ACCESS_MASK fileRights(ACCESS_MASK mask) {
  if (mask & MAXIMUM_ALLOWED) mask |= FILE_ALL_ACCESS;
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  ::MapGenericMask(&mask, &mapping);
  return mask;
}

}  // namespace

SidBytes sidBytes(PSID sid) {
  if (!sid || !::IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const uint8_t*>(sid);
  return SidBytes(bytes, bytes + ::GetLengthSid(sid));
}

bool isTrustedPrincipal(PSID sid, const std::vector<SidBytes>& trusted, bool asOwner) {
  if (!sid || !::IsValidSid(sid)) return false;
  const KnownPrincipals& known = knownPrincipals();
  return isAnyOf(sid, known.trusted) || (!asOwner && isAnyOf(sid, known.standIns)) || isAnyOf(sid, trusted);
}

PermissionVerdict judgePermissions(PSECURITY_DESCRIPTOR descriptor, EntryRole role,
                                   const std::vector<SidBytes>& trusted) {
  PermissionVerdict verdict;
  PSID owner = nullptr;
  BOOL ownerDefaulted = FALSE;
  BOOL present = FALSE, daclDefaulted = FALSE;
  PACL dacl = nullptr;
  if (!descriptor || !::IsValidSecurityDescriptor(descriptor) ||
      !::GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || !owner ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted) || !present || !dacl) {
    verdict.problem = PermissionProblem::NoPermissions;   // a missing DACL lets everyone do everything
    return verdict;
  }
  if (!isTrustedPrincipal(owner, trusted, true)) {
    verdict.problem = PermissionProblem::UntrustedOwner;
    verdict.who = sidBytes(owner);
    return verdict;
  }
  const DangerousRights dangerous = dangerousRightsOf(role);
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* raw = nullptr;
    if (!::GetAce(dacl, index, &raw)) break;
    const auto* header = static_cast<const ACE_HEADER*>(raw);
    ACCESS_MASK mask = 0;
    PSID sid = nullptr;
    bool parsed = false;
    if (!readAllowEntry(header, mask, sid, parsed)) continue;
    if (!parsed) {   // an allow entry nobody can read: assume the worst
      verdict.problem = PermissionProblem::OthersMayWrite;
      return verdict;
    }
    const bool reachesEntry = !(header->AceFlags & INHERIT_ONLY_ACE);
    const bool passedOn = (header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) != 0;
    if (!reachesEntry && !(passedOn && dangerous.inheritedCounts)) continue;
    if (isTrustedPrincipal(sid, trusted, false)) continue;
    const ACCESS_MASK rights = fileRights(mask);
    if (rights & dangerous.write)
      verdict.problem = PermissionProblem::OthersMayWrite;
    else if (rights & dangerous.rename)
      verdict.problem = PermissionProblem::OthersMayRename;
    else if (rights & dangerous.permissions)
      verdict.problem = PermissionProblem::OthersMayChangePermissions;
    else
      continue;
    verdict.who = sidBytes(sid);
    return verdict;
  }
  return verdict;
}

}  // namespace kavri
