// The install folder walk on real folders: what is made and reported, what is
// refused (links on the way, files, folders others may change, owners the mode
// does not trust), and that a refusal leaves nothing of its own behind. Wine
// gives every file its one user as owner and keeps permissions as Unix modes,
// so owners are exercised through the mode and the elevation answer, and
// "others may write" through a folder everyone may write; the full rules are
// the table in permission_verdict_test.cpp.
#include "support/install_folder.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/links.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Gives everyone full control of `path` (Wine keeps it as a Unix mode).
bool letEveryoneWrite(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
    return false;
  UniqueHlocal release(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  std::wstring name = path;
  return ::SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                                 nullptr) == ERROR_SUCCESS;
}

TEST(InstallFolder, MakesMissingFoldersProtectedAndReportsThem) {
  const test::ScratchFolder scratch(L"install_make");
  const std::wstring target = scratch / L"Apps\\Kavri\\bin";
  ASSERT_TRUE(checkInstallFolder(target, InstallMode::PerMachine).ok);   // missing: made later

  const FolderOutcome made = createInstallFolder(target, InstallMode::PerMachine);
  ASSERT_TRUE(made.ok) << made.reason << ": " << testing::PrintToString(made.message);
  const std::vector<std::wstring> expected = {scratch / L"Apps", scratch / L"Apps\\Kavri", target};
  EXPECT_EQ(made.created, expected);
  // Made with its own protected permissions, not what the scratch folder
  // passes on (which lets everyone read).
  for (const std::wstring& folder : expected) EXPECT_FALSE(test::everyoneHasAnEntry(folder)) << testing::PrintToString(folder);
  EXPECT_TRUE(test::everyoneHasAnEntry(scratch.path()));

  const FolderOutcome again = createInstallFolder(target + L"\\", InstallMode::PerMachine);
  EXPECT_TRUE(again.ok);
  EXPECT_TRUE(again.created.empty()) << "nothing new was made";
  EXPECT_TRUE(checkInstallFolder(scratch / L"Apps/Kavri/./bin", InstallMode::PerMachine).ok);
}

// Each refusal names its reason, and createInstallFolder makes nothing
// through a link, into a file, or below a folder it refuses.
TEST(InstallFolder, Refusals) {
  const test::ScratchFolder scratch(L"install_refuse");
  test::writeTree(scratch.path(), {{L"file.txt", "x"}, {L"target\\", ""}, {L"open\\", ""}, {L"opendeep\\", ""}});
  ASSERT_TRUE(letEveryoneWrite(scratch / L"open"));
  ASSERT_TRUE(letEveryoneWrite(scratch / L"opendeep"));
  const test::TestLink link(scratch / L"link", scratch / L"target", test::TestLink::Folder);
  const bool linked = link.made();

  struct Case {
    const char* what;
    std::wstring path;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"no path", L"", "invalid"},
      {"a drive root", L"C:\\", "root"},
      {"a file", scratch / L"file.txt", "file"},
      {"a path through a file", scratch / L"file.txt\\app", "file"},
      {"a folder everyone may change", scratch / L"open", "writable"},
      {"below a folder everyone may rename things in", scratch / L"opendeep\\app", "renamable"},
  };
  if (linked) {
    cases.push_back({"a link", scratch / L"link", "link"});
    cases.push_back({"a path through a link", scratch / L"link\\app", "link"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FolderOutcome checked = checkInstallFolder(c.path, InstallMode::PerMachine);
    EXPECT_FALSE(checked.ok);
    EXPECT_EQ(checked.reason, c.reason) << testing::PrintToString(checked.message);
    const FolderOutcome made = createInstallFolder(c.path, InstallMode::PerMachine);
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(made.reason, c.reason);
    EXPECT_TRUE(made.created.empty());
    EXPECT_FALSE(made.message.empty());
  }
  EXPECT_FALSE(exists(scratch / L"target\\app")) << "nothing was made through the link";
  EXPECT_FALSE(exists(scratch / L"opendeep\\app"));
  EXPECT_TRUE(exists(scratch / L"open")) << "a refused folder that was there stays";
  if (!linked) GTEST_SKIP() << "no folder link can be made here";
}

// The folders made before a later step fails are removed again.
TEST(InstallFolder, AFailureRemovesWhatWasMade) {
  const test::ScratchFolder scratch(L"install_undo");
  const FolderOutcome made = createInstallFolder(scratch / L"new\\deeper\\bad<name", InstallMode::PerMachine);
  EXPECT_FALSE(made.ok);
  EXPECT_EQ(made.reason, "invalid");
  EXPECT_TRUE(made.created.empty());
  EXPECT_FALSE(exists(scratch / L"new")) << "the folders made on the way are gone";
}

// Wine's folders all belong to its one user. Elevated, that is the owner of
// the installer's own new files, as the administrators are on Windows; not
// elevated, only a per-user install trusts it.
TEST(InstallFolder, TheModeDecidesWhoseFoldersAreTrusted) {
  const test::ScratchFolder scratch(L"install_mode");
  test::writeTree(scratch.path(), {{L"mine\\", ""}});
  const std::wstring folder = scratch / L"mine";
  struct Case {
    const char* what;
    bool elevated;
    InstallMode mode;
    bool ok;
  };
  const Case cases[] = {
      {"elevated, per machine", true, InstallMode::PerMachine, true},
      {"elevated, per user: no different", true, InstallMode::PerUser, true},
      {"not elevated, per machine: the user's folder is refused", false, InstallMode::PerMachine, false},
      {"not elevated, per user: the user's own folder will do", false, InstallMode::PerUser, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ElevationOverride elevation(c.elevated);
    const FolderOutcome checked = checkInstallFolder(folder, c.mode);
    EXPECT_EQ(checked.ok, c.ok) << testing::PrintToString(checked.message);
    if (!c.ok) {
      EXPECT_EQ(checked.reason, "owner");
    }
    const FolderOutcome made = createInstallFolder(folder + L"\\sub", c.mode);
    EXPECT_EQ(made.ok, c.ok);
    EXPECT_EQ(exists(folder + L"\\sub"), c.ok);
    if (made.ok) ::RemoveDirectoryW((folder + L"\\sub").c_str());
  }
}

}  // namespace
}  // namespace kavri
