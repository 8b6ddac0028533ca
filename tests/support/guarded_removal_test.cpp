// Removal inside an expected folder, the install log's trust check and file
// hashes, on real trees. Links are Unix links under Wine (its handles reach
// what they lead to, which the final-path checks must catch) and junctions on
// Windows; whatever a link leads to must survive every case.
#include "support/guarded_removal.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "support/content_hash.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/links.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

constexpr char kInstalledSha256[] = "a51a6c19a1ffc7416827e89adf20749d23ad42452c396cf7e627409f2896922c";   // "installed"

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(GuardedRemoval, RemovesOnlyWhatLiesInsideAsItself) {
  const test::ScratchFolder scratch(L"guarded_removal");
  const std::wstring root = scratch / L"root", outside = scratch / L"outside";
  test::writeTree(root, {{L"a.txt", "a"},
                         {L"ro.txt", "r"},
                         {L"sub\\b.txt", "b"},
                         {L"empty\\", ""},
                         {L"full\\x.txt", "x"},
                         {L"same.txt", "installed"},
                         {L"edited.txt", "installed, then edited"},
                         {L"held.txt", "h"},
                         {L"sub2\\c.txt", "c"}});
  test::writeTree(outside, {{L"keep.txt", "keep"}, {L"deep\\keep.txt", "keep"}});
  ASSERT_TRUE(::SetFileAttributesW((root + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  const test::TestLink link(root + L"\\link", outside, test::TestLink::Folder);
  const test::TestLink flink(root + L"\\flink.txt", outside + L"\\keep.txt", test::TestLink::File);
  const test::TestLink inner(root + L"\\inner", root + L"\\sub2", test::TestLink::Folder);   // stays inside
  const bool folderLink = link.made() && inner.made(), fileLink = flink.made();
  const test::FileTree outsideBefore = test::readTree(outside);
  // Open elsewhere with no sharing: in use.
  UniqueFile held(::CreateFileW((root + L"\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);

  struct Case {
    const char* what;
    std::wstring path;
    std::string sha256;
    const char* reason;   // "" when removed
  };
  std::vector<Case> cases = {
      {"a file", root + L"\\a.txt", "", ""},
      {"a read-only file", root + L"\\ro.txt", "", ""},
      {"a file in a subfolder, spelled with / and ..", root + L"/sub/../sub/b.txt", "", ""},
      {"an empty folder", root + L"\\empty", "", ""},
      {"a folder with something in it", root + L"\\full", "", "not empty"},
      {"the file that was installed", root + L"\\same.txt", kInstalledSha256, ""},
      {"a file changed since", root + L"\\edited.txt", kInstalledSha256, "changed"},
      {"a folder where a file was installed", root + L"\\full", kInstalledSha256, "changed"},
      {"a file in use", root + L"\\held.txt", "", "in use"},
      {"a missing file", root + L"\\none.txt", "", "missing"},
      {"in a missing folder", root + L"\\none\\x.txt", "", "missing"},
      {"outside the folder", outside + L"\\keep.txt", "", "outside"},
      {"out of the folder through ..", root + L"\\..\\outside\\keep.txt", "", "outside"},
      {"a name that only starts like the folder", scratch / L"rootless.txt", "", "outside"},
  };
  if (folderLink) {
    cases.push_back({"through a folder link", root + L"\\link\\keep.txt", "", "link"});
    cases.push_back({"deeper through a folder link", root + L"\\link\\deep\\keep.txt", "", "link"});
    // Its final path is inside the root, but a link is on the way.
    cases.push_back({"through a link to a folder inside", root + L"\\inner\\c.txt", "", "link"});
  }
  if (fileLink) cases.push_back({"a file link leading outside", root + L"\\flink.txt", "", "link"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const EntryOutcome removed = removeInsideFolder(root, c.path, c.sha256);
    EXPECT_EQ(removed.ok, c.reason[0] == 0) << testing::PrintToString(removed.message);
    EXPECT_EQ(removed.reason, c.reason);
  }
  held.reset();
  EXPECT_EQ(test::readTree(outside), outsideBefore) << "nothing a link leads to was touched";
  for (const wchar_t* gone : {L"a.txt", L"ro.txt", L"sub\\b.txt", L"empty", L"same.txt"})
    EXPECT_FALSE(exists(root + L"\\" + gone)) << testing::PrintToString(std::wstring(gone));
  for (const wchar_t* kept : {L"full\\x.txt", L"edited.txt", L"held.txt", L"sub2\\c.txt"})
    EXPECT_TRUE(exists(root + L"\\" + kept)) << testing::PrintToString(std::wstring(kept));
  if (!folderLink || !fileLink) GTEST_SKIP() << "links cannot be made here: their cases were left out";
}

// A root named through a link is somewhere else: nothing below it is removed.
TEST(GuardedRemoval, ARootThatIsALinkIsRefused) {
  const test::ScratchFolder scratch(L"guarded_root_link");
  test::writeTree(scratch / L"real", {{L"a.txt", "a"}});
  const test::TestLink alias(scratch / L"alias", scratch / L"real", test::TestLink::Folder);
  if (!alias.made()) GTEST_SKIP() << "no folder link can be made here";
  const EntryOutcome removed = removeInsideFolder(scratch / L"alias", scratch / L"alias\\a.txt", "");
  EXPECT_FALSE(removed.ok);
  EXPECT_EQ(removed.reason, "link");
  EXPECT_TRUE(exists(scratch / L"real\\a.txt"));
}

// The root itself goes when it is empty, like any folder.
TEST(GuardedRemoval, TheRootItselfWhenEmpty) {
  const test::ScratchFolder scratch(L"guarded_root");
  test::writeTree(scratch / L"root", {{L"a.txt", "a"}});
  EXPECT_EQ(removeInsideFolder(scratch / L"root", scratch / L"root", "").reason, "not empty");
  EXPECT_TRUE(removeInsideFolder(scratch / L"root", scratch / L"root\\a.txt", "").ok);
  EXPECT_TRUE(removeInsideFolder(scratch / L"root", scratch / L"root\\", "").ok);
  EXPECT_FALSE(exists(scratch / L"root"));
}

// Restart removals are scheduled with the system by the entry's real name,
// only where nobody else can swap a folder on the way before the restart.
TEST(GuardedRemoval, AtRestartSchedulesOnlyWhatNobodyCanRedirect) {
  const test::ScratchFolder scratch(L"guarded_restart");
  test::writeTree(scratch / L"root", {{L"a.txt", "a"}, {L"open\\b.txt", "b"}});
  test::writeTree(scratch / L"outside", {{L"keep.txt", "k"}});
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
  UniqueHlocal release(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL everyone = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &everyone, &defaulted);
  std::wstring open = scratch / L"root\\open";
  ASSERT_EQ(::SetNamedSecurityInfoW(&open[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, everyone,
                                    nullptr),
            DWORD(ERROR_SUCCESS));

  HKEY session = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                            KEY_ALL_ACCESS, &session),
            ERROR_SUCCESS);
  UniqueHkey sessionKey(session);
  auto pending = [&]() {
    std::vector<wchar_t> value(65536);
    DWORD bytes = DWORD(value.size() * sizeof(wchar_t)), type = 0;
    if (::RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, &type,
                           reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
      return std::wstring();
    return std::wstring(value.data(), bytes / sizeof(wchar_t));
  };
  const std::wstring before = pending();   // the system's own, restored at the end

  EXPECT_TRUE(removeInsideFolderAtRestart(scratch / L"root", scratch / L"root\\a.txt").ok);
  const std::wstring scheduled = pending();
  EXPECT_NE(scheduled.find(L"root\\a.txt"), std::wstring::npos) << testing::PrintToString(scheduled);
  EXPECT_TRUE(exists(scratch / L"root\\a.txt")) << "nothing is removed now";

  const EntryOutcome renamable = removeInsideFolderAtRestart(scratch / L"root", scratch / L"root\\open\\b.txt");
  EXPECT_EQ(renamable.reason, "renamable") << testing::PrintToString(renamable.message);
  EXPECT_EQ(removeInsideFolderAtRestart(scratch / L"root", scratch / L"outside\\keep.txt").reason, "outside");
  const test::TestLink link(scratch / L"root\\link", scratch / L"outside", test::TestLink::Folder);
  if (link.made()) {
    EXPECT_EQ(removeInsideFolderAtRestart(scratch / L"root", scratch / L"root\\link\\keep.txt").reason, "link");
  }
  EXPECT_EQ(pending(), scheduled) << "nothing else was scheduled";
  if (before.empty())
    ::RegDeleteValueW(session, L"PendingFileRenameOperations");
  else
    ::RegSetValueExW(session, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(before.data()), DWORD(before.size() * sizeof(wchar_t)));
}

TEST(ProtectedFile, OnlyFilesNobodyElseCouldWrite) {
  const test::ScratchFolder scratch(L"protected_file");
  test::writeTree(scratch.path(),
                  {{L"log.json", "{}"}, {L"open.json", "{}"}, {L"folder\\", ""}, {L"other\\log.json", "{\"x\":1}"}});
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;FA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
  UniqueHlocal release(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL everyone = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &everyone, &defaulted);
  std::wstring open = scratch / L"open.json";
  ASSERT_EQ(::SetNamedSecurityInfoW(&open[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, everyone,
                                    nullptr),
            DWORD(ERROR_SUCCESS));
  const test::TestLink link(scratch / L"link.json", scratch / L"other\\log.json", test::TestLink::File);
  const bool linked = link.made();

  struct Case {
    const char* what;
    std::wstring path;
    bool elevated;
    InstallMode mode;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"written by the elevated installer", scratch / L"log.json", true, InstallMode::PerMachine, ""},
      {"the user's file, to an unelevated per-machine uninstaller", scratch / L"log.json", false,
       InstallMode::PerMachine, "owner"},
      {"the user's own log, per user", scratch / L"log.json", false, InstallMode::PerUser, ""},
      {"everyone may write it", scratch / L"open.json", true, InstallMode::PerMachine, "writable"},
      {"a folder", scratch / L"folder", true, InstallMode::PerMachine, "folder"},
      {"missing", scratch / L"none.json", true, InstallMode::PerMachine, "missing"},
  };
  if (linked) cases.push_back({"a link to a trusted file elsewhere", scratch / L"link.json", true, InstallMode::PerMachine, "link"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ElevationOverride elevation(c.elevated);
    const EntryOutcome checked = checkProtectedFile(c.path, c.mode);
    EXPECT_EQ(checked.ok, c.reason[0] == 0) << testing::PrintToString(checked.message);
    EXPECT_EQ(checked.reason, c.reason);
    std::string content = "stale";
    const EntryOutcome read = checkProtectedFile(c.path, c.mode, &content);
    EXPECT_EQ(read.reason, c.reason) << "the same verdict when reading";
    if (read.ok) {
      EXPECT_EQ(content, "{}");
    }
  }
  if (!linked) GTEST_SKIP() << "no file link can be made here: its case was left out";
}

TEST(ContentHash, Sha256OfKnownContents) {
  const test::ScratchFolder scratch(L"content_hash");
  std::string large(3000000, '\0');   // crosses the 1 MB reading pieces
  for (size_t i = 0; i < large.size(); ++i) large[i] = char((i * 7 + 3) % 256);
  struct Case {
    const char* what;
    std::string content;
    const char* sha256;
  };
  const Case cases[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"3,000,000 bytes", large, "cf2a058c7e1c359c159c665399269fd346d150cbded1a072f4ccf9c996a76726"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::writeFileBytes(scratch / L"f.bin", c.content));
    std::string hex;
    unsigned long error = 0;
    EXPECT_TRUE(sha256OfFile(scratch / L"f.bin", hex, error)) << error;
    EXPECT_EQ(hex, c.sha256);
  }
  std::string hex;
  unsigned long error = 0;
  EXPECT_FALSE(sha256OfFile(scratch / L"none.bin", hex, error));
  EXPECT_EQ(error, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(hex.empty());
}

}  // namespace
}  // namespace kavri
