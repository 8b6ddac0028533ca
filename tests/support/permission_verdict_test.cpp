// The permission decision as a table of security descriptors written in SDDL:
// the descriptors Windows gives a drive root, Program Files, ProgramData and
// folders made below them, and the ways another user could be let in.
#include "support/permission_verdict.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace kavri {
namespace {

using Problem = PermissionProblem;

constexpr wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";    // the installer's own user
constexpr wchar_t kOther[] = L"S-1-5-21-1-2-3-1002";   // someone else
#define TI L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
#define USER L"S-1-5-21-1-2-3-1001"
#define OTHER L"S-1-5-21-1-2-3-1002"
// Administrators and the system in full, users reading, as the installer
// writes the install folder's protected DACL.
#define PROTECTED L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

SidBytes sidFromText(const wchar_t* text) {
  PSID sid = nullptr;
  if (!::ConvertStringSidToSidW(text, &sid)) return {};
  UniqueHlocal release(sid);
  return sidBytes(sid);
}

std::wstring sidText(const SidBytes& sid) {
  if (sid.empty()) return L"";
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(const_cast<uint8_t*>(sid.data()), &text)) return L"?";
  UniqueHlocal release(text);
  return text;
}

struct Case {
  const char* what;
  EntryRole role;
  const wchar_t* sddl;
  bool userTrusted;   // a per-user install, not elevated
  Problem problem;
  const wchar_t* who;   // SID string of the principal named, "" for none
};

const Case kCases[] = {
    // The install folder.
    {"made by the installer: protected", EntryRole::InstallFolder, L"O:BA" PROTECTED, false, Problem::None, L""},
    {"made under the drive root, inheriting Authenticated Users: Modify", EntryRole::InstallFolder,
     L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
     L"(A;OICIIOID;SDGXGWGR;;;AU)",
     false, Problem::OthersMayWrite, L"S-1-5-11"},
    {"made under Program Files, inheriting", EntryRole::InstallFolder,
     L"O:BAD:AI(A;ID;FA;;;" TI L")(A;CIIOID;GA;;;" TI L")(A;ID;0x1301bf;;;SY)(A;OICIIOID;GA;;;SY)"
     L"(A;ID;0x1301bf;;;BA)(A;OICIIOID;GA;;;BA)(A;OICIID;0x1200a9;;;BU)(A;OICIIOID;GA;;;CO)"
     L"(A;OICIID;0x1200a9;;;S-1-15-2-1)",
     false, Problem::None, L""},
    {"made under ProgramData, inheriting Users: create files in subfolders", EntryRole::InstallFolder,
     L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIIOID;GA;;;CO)(A;OICIID;0x1200a9;;;BU)"
     L"(A;CIID;0x100116;;;BU)",
     false, Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"owned by the installer service", EntryRole::InstallFolder, L"O:" TI PROTECTED, false, Problem::None, L""},
    {"owned by the system", EntryRole::InstallFolder, L"O:SY" PROTECTED, false, Problem::None, L""},
    {"made in advance by a user", EntryRole::InstallFolder, L"O:" OTHER PROTECTED, false, Problem::UntrustedOwner,
     kOther},
    {"the user's own folder, per-machine", EntryRole::InstallFolder,
     L"O:" USER L"D:P(A;OICI;FA;;;" USER L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false, Problem::UntrustedOwner, kUser},
    {"the user's own folder, per-user", EntryRole::InstallFolder,
     L"O:" USER L"D:P(A;OICI;FA;;;" USER L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true, Problem::None, L""},
    {"per-user, another user may change it", EntryRole::InstallFolder,
     L"O:" USER L"D:P(A;OICI;FA;;;" USER L")(A;OICI;0x1301bf;;;" OTHER L")", true, Problem::OthersMayWrite, kOther},
    {"no owner", EntryRole::InstallFolder, PROTECTED, false, Problem::NoPermissions, L""},
    {"an empty DACL lets nobody in", EntryRole::InstallFolder, L"O:BAD:P", false, Problem::None, L""},
    {"users may write the files it passes on to", EntryRole::InstallFolder, L"O:BAD:P(A;OICI;FA;;;BA)(A;OIIO;FW;;;BU)",
     false, Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"everyone gets full control of new subfolders", EntryRole::InstallFolder, L"O:BAD:P(A;OICI;FA;;;BA)(A;CIIO;GA;;;WD)",
     false, Problem::OthersMayWrite, L"S-1-1-0"},
    {"everyone: generic write", EntryRole::InstallFolder, L"O:BAD:P(A;;GW;;;WD)", false, Problem::OthersMayWrite,
     L"S-1-1-0"},
    {"users: add subfolders only", EntryRole::InstallFolder, L"O:BAD:P(A;;0x4;;;BU)", false, Problem::OthersMayWrite,
     L"S-1-5-32-545"},
    {"users: delete entries in it", EntryRole::InstallFolder, L"O:BAD:P(A;;0x40;;;BU)", false,
     Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"users: delete it", EntryRole::InstallFolder, L"O:BAD:P(A;;SD;;;BU)", false, Problem::OthersMayRename,
     L"S-1-5-32-545"},
    {"everyone: change its permissions", EntryRole::InstallFolder, L"O:BAD:P(A;;WD;;;WD)", false,
     Problem::OthersMayChangePermissions, L"S-1-1-0"},
    {"users: take ownership", EntryRole::InstallFolder, L"O:BAD:P(A;;WO;;;BU)", false,
     Problem::OthersMayChangePermissions, L"S-1-5-32-545"},
    {"users: maximum allowed", EntryRole::InstallFolder, L"O:BAD:P(A;;0x2000000;;;BU)", false,
     Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"a deny entry first does not count", EntryRole::InstallFolder, L"O:BAD:P(D;;FA;;;BU)(A;;FA;;;BU)", false,
     Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"creator owner and owner rights stand for trusted principals", EntryRole::InstallFolder,
     L"O:BAD:P(A;OICIIO;GA;;;CO)(A;;FA;;;S-1-3-4)", false, Problem::None, L""},
    {"creator group is the creator's group, anyone's", EntryRole::InstallFolder, L"O:BAD:P(A;OICIIO;GA;;;CG)",
     false, Problem::OthersMayWrite, L"S-1-3-1"},
    {"everyone reads and runs", EntryRole::InstallFolder, L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)", false,
     Problem::None, L""},
    {"the first dangerous entry is named", EntryRole::InstallFolder, L"O:BAD:P(A;;SD;;;BU)(A;;FA;;;AU)", false,
     Problem::OthersMayRename, L"S-1-5-32-545"},

    // A folder above it.
    {"Program Files", EntryRole::Ancestor,
     L"O:" TI L"D:P(A;;FA;;;" TI L")(A;CIIO;GA;;;" TI L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)"
     L"(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)",
     false, Problem::None, L""},
    {"ProgramData: users may add entries", EntryRole::Ancestor,
     L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)(A;CI;0x100116;;;BU)", false,
     Problem::None, L""},
    {"a folder inheriting Authenticated Users: Modify", EntryRole::Ancestor,
     L"O:BAD:AI(A;OICIID;FA;;;BA)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", false, Problem::OthersMayRename,
     L"S-1-5-11"},
    {"users may delete entries in it", EntryRole::Ancestor, L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x40;;;BU)", false,
     Problem::OthersMayRename, L"S-1-5-32-545"},
    {"what it passes on does not reach it", EntryRole::Ancestor, L"O:BAD:P(A;OICI;FA;;;BA)(A;OICIIO;FA;;;BU)", false,
     Problem::None, L""},
    {"owned by a user", EntryRole::Ancestor, L"O:" OTHER L"D:P(A;OICI;FA;;;BA)", false, Problem::UntrustedOwner, kOther},

    // The volume root.
    {"a system drive's root", EntryRole::VolumeRoot,
     L"O:" TI L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)",
     false, Problem::None, L""},
    {"a root where users may modify (not delete) entries", EntryRole::VolumeRoot,
     L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x1301bf;;;BU)", false, Problem::None, L""},
    {"a root where users may delete entries", EntryRole::VolumeRoot, L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x40;;;AU)", false,
     Problem::OthersMayRename, L"S-1-5-11"},
    {"a root with full control for everyone", EntryRole::VolumeRoot, L"O:BAD:P(A;OICI;FA;;;WD)", false,
     Problem::OthersMayRename, L"S-1-1-0"},

    // The install log.
    {"a log in the protected folder", EntryRole::File, L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)",
     false, Problem::None, L""},
    {"a log inheriting Authenticated Users: Modify", EntryRole::File, L"O:BAD:AI(A;ID;FA;;;BA)(A;ID;0x1301bf;;;AU)",
     false, Problem::OthersMayWrite, L"S-1-5-11"},
    {"a log users may append to", EntryRole::File, L"O:BAD:P(A;;FA;;;BA)(A;;0x4;;;BU)", false,
     Problem::OthersMayWrite, L"S-1-5-32-545"},
    {"a log owned by a user", EntryRole::File, L"O:" OTHER L"D:P(A;;FA;;;BA)", false, Problem::UntrustedOwner, kOther},
    {"a log users may delete", EntryRole::File, L"O:BAD:P(A;;FA;;;BA)(A;;SD;;;BU)", false, Problem::OthersMayRename,
     L"S-1-5-32-545"},
    {"inheritance flags mean nothing on a file", EntryRole::File, L"O:BAD:P(A;;FA;;;BA)(A;OICIIO;FA;;;BU)", false,
     Problem::None, L""},
};

TEST(PermissionVerdict, Table) {
  const std::vector<SidBytes> none;
  const std::vector<SidBytes> user = {sidFromText(kUser)};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &descriptor, nullptr))
        << "SDDL " << testing::PrintToString(std::wstring(c.sddl));
    UniqueHlocal release(descriptor);
    const PermissionVerdict verdict = judgePermissions(descriptor, c.role, c.userTrusted ? user : none);
    EXPECT_EQ(verdict.problem, c.problem);
    EXPECT_EQ(sidText(verdict.who), c.who);
  }
}

// A null DACL lets everyone do everything (built by hand: not every SDDL
// parser spells it the same way); no descriptor at all is judged alike.
TEST(PermissionVerdict, NoDaclOrNoDescriptorIsNoPermissions) {
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  SidBytes admins = sidFromText(L"S-1-5-32-544");
  ASSERT_TRUE(::SetSecurityDescriptorOwner(&descriptor, admins.data(), FALSE));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
  for (EntryRole role : {EntryRole::InstallFolder, EntryRole::Ancestor, EntryRole::VolumeRoot, EntryRole::File})
    EXPECT_EQ(judgePermissions(&descriptor, role, {}).problem, Problem::NoPermissions);
  EXPECT_EQ(judgePermissions(nullptr, EntryRole::File, {}).problem, Problem::NoPermissions);
}

}  // namespace
}  // namespace kavri
