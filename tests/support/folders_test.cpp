// Tree removal: every spelling of a volume root or a protected folder is
// refused, whatever separators, dots or prefixes name it.
#include "support/folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/ownership.h"
#include "support/removal_guard.h"
#include "tests/helpers/file_tree.h"

namespace kavri {
namespace {

TEST(RemovalGuard, NormalisesEverySpelling) {
  struct Case {
    const wchar_t* input;
    const wchar_t* normal;
  };
  const Case cases[] = {
      {L"C:\\", L"C:\\"},
      {L"c:\\.", L"C:\\"},
      {L"C:/.", L"C:\\"},
      {L"C:\\Windows\\..", L"C:\\"},
      {L"C:\\Windows\\..\\..\\..", L"C:\\"},
      {L"\\\\?\\C:\\", L"C:\\"},
      {L"\\\\.\\C:\\x\\..", L"C:\\"},
      {L"\\\\?\\UNC\\server\\share\\a", L"\\\\server\\share\\a"},
      {L"C:\\\\Windows\\\\", L"C:\\Windows"},
      {L"C:\\Windows.\\", L"C:\\Windows"},
      {L"C:\\Windows . .", L"C:\\Windows"},
      {L"C:\\a\\.\\b\\...\\c", L"C:\\a\\b\\c"},
      {L"C:", L"C:\\"},
      {L"C:x", L""},                        // relative to the drive's current folder
      {L"\\\\?\\Volume{1234}\\", L""},     // device paths are not decided here
      {L"\\\\?\\GLOBALROOT\\Device", L""},
      {L"relative\\path", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "input " << testing::PrintToString(std::wstring(c.input)));
    EXPECT_EQ(normaliseAbsolutePath(c.input), c.normal);
  }
}

TEST(RemovalGuard, RefusesRootsProtectedFoldersAndEverythingAboveThem) {
  const std::vector<std::wstring> guarded = {L"C:\\Windows", L"C:\\Program Files", L"D:\\Users\\ann",
                                             L"\\\\server\\share\\deep\\folder"};
  struct Case {
    const wchar_t* path;
    bool refused;
  };
  const Case cases[] = {
      {L"C:\\", true},
      {L"C:\\.", true},
      {L"C:/.", true},
      {L"C:\\Windows\\..", true},
      {L"\\\\?\\C:\\", true},
      {L"\\\\.\\C:\\", true},
      {L"R:\\", true},
      {L"c:\\windows", true},
      {L"C:\\WINDOWS\\", true},
      {L"C:\\Windows.", true},
      {L"C:\\Program Files\\x\\..", true},
      {L"D:\\Users", true},                   // above a profile
      {L"D:\\users\\ANN", true},
      {L"\\\\server\\share", true},           // a share's root
      {L"\\\\server\\share\\deep", true},
      {L"\\\\?\\UNC\\server\\share\\deep\\folder", true},
      {L"\\\\?\\Volume{1234}\\", true},
      {L"", true},
      {L"relative", true},
      {L"C:\\Windows\\Temp\\product", false},   // below a protected folder is fine
      {L"C:\\Program Files\\Product", false},
      {L"C:\\Program Files Extra", false},     // a name sharing a prefix is not above it
      {L"C:\\Win", false},
      {L"D:\\Users\\ann\\AppData\\Local\\Product", false},
      {L"D:\\Users\\anna", false},
      {L"\\\\server\\share\\other", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(c.path)));
    EXPECT_EQ(isProtectedFromRemoval(c.path, guarded), c.refused);
  }
}

TEST(RemovalGuard, TheSystemFoldersAreProtected) {
  const std::vector<std::wstring> guarded = foldersProtectedFromRemoval();
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  EXPECT_TRUE(isProtectedFromRemoval(windows, guarded));
  wchar_t profile[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
  EXPECT_TRUE(isProtectedFromRemoval(profile, guarded));
  EXPECT_TRUE(isProtectedFromRemoval(std::wstring(profile) + L"\\..", guarded));
}

// A scratch folder stands in for a protected one: no spelling of it, and no
// spelling of a drive mapped onto it, removes anything.
TEST(RemovalGuard, NoSpellingRemovesAProtectedFolderOrARoot) {
  const test::ScratchFolder scratch(L"removal_guard");
  const test::FileTree tree = {{L"a.txt", "a"}, {L"sub\\", ""}, {L"sub\\b.txt", "b"}};
  test::writeTree(scratch.path(), tree);
  const std::wstring base = scratch.path();
  std::wstring forward = base;
  for (wchar_t& c : forward)
    if (c == L'\\') c = L'/';
  const std::wstring spellings[] = {base,
                                    base + L"\\",
                                    base + L"\\.",
                                    base + L"/.",
                                    base + L"\\sub\\..",
                                    base + L"\\sub\\..\\.\\",
                                    base + L".",
                                    forward,
                                    L"\\\\?\\" + base,
                                    L"\\\\?\\" + base + L"\\",
                                    base + L"\\sub\\..\\..\\" + base.substr(base.find_last_of(L'\\') + 1)};
  for (const std::wstring& spelling : spellings) {
    SCOPED_TRACE(testing::Message() << "spelling " << testing::PrintToString(spelling));
    EXPECT_FALSE(removeDirectoryTree(spelling, {base}));
    EXPECT_EQ(test::readTree(base), tree);
  }

  // The same folder as a drive's root.
  wchar_t drive[] = L"R:";
  for (wchar_t letter = L'Z'; letter >= L'M'; --letter) {
    drive[0] = letter;
    if (::GetDriveTypeW((std::wstring(drive) + L"\\").c_str()) == DRIVE_NO_ROOT_DIR) break;
  }
  if (!::DefineDosDeviceW(0, drive, base.c_str())) GTEST_SKIP() << "no drive can be mapped here";
  const std::wstring d = drive;
  for (const std::wstring& spelling : {d, d + L"\\", d + L"\\.", d + L"/.", d + L"/", d + L"\\sub\\..",
                                       L"\\\\?\\" + d + L"\\", L"\\\\.\\" + d + L"\\", d + L"\\sub\\..\\.."}) {
    SCOPED_TRACE(testing::Message() << "drive spelling " << testing::PrintToString(spelling));
    removeDirectoryTree(spelling, {});
    EXPECT_EQ(test::readTree(base), tree);
  }
  ::DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE | DDD_RAW_TARGET_PATH, drive, nullptr);
  ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive, nullptr);
}

// Below the guarded folders removal still works, read-only files included.
TEST(RemovalGuard, AnOrdinaryTreeIsRemoved) {
  const test::ScratchFolder scratch(L"removal_tree");
  test::writeTree(scratch / L"tree", {{L"a.txt", "a"}, {L"sub\\", ""}, {L"sub\\ro.txt", "r"}});
  ::SetFileAttributesW((scratch / L"tree\\sub\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(removeDirectoryTree(scratch / L"tree\\sub\\..\\"));
  EXPECT_EQ(::GetFileAttributesW((scratch / L"tree").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The owner decision that the instance guard's restart marker relies on.
TEST(Ownership, OwnerDecision) {
  auto sid = [](WELL_KNOWN_SID_TYPE type) {
    std::vector<uint8_t> out(SECURITY_MAX_SID_SIZE);
    DWORD size = DWORD(out.size());
    ::CreateWellKnownSid(type, nullptr, out.data(), &size);
    return out;
  };
  std::vector<uint8_t> admins = sid(WinBuiltinAdministratorsSid), system = sid(WinLocalSystemSid),
                       users = sid(WinBuiltinUsersSid), world = sid(WinWorldSid),
                       authenticated = sid(WinAuthenticatedUserSid);
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID user = nullptr, installer = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1001, 0, 0, 0, &user));
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 6, 80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u,
                                         0, 0, &installer));
  struct Case {
    const char* what;
    PSID owner;
    PSID ownOwner;
    bool trusted;
  };
  const Case cases[] = {
      {"administrators", admins.data(), admins.data(), true},
      {"system", system.data(), admins.data(), true},
      {"installer service", installer, admins.data(), true},
      {"a user's folder, elevated installer", user, admins.data(), false},
      {"the user's folder, installer not elevated", user, user, true},
      {"users group", users.data(), admins.data(), false},
      {"authenticated users", authenticated.data(), admins.data(), false},
      {"everyone", world.data(), admins.data(), false},
      {"no owner", nullptr, admins.data(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(isTrustedOwner(c.owner, c.ownOwner), c.trusted);
  }
  ::FreeSid(user);
  ::FreeSid(installer);
}

}  // namespace
}  // namespace kavri
