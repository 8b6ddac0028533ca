// Settings migration on fixture folders under Wine. Each case copies its
// "before" tree into a scratch application-data folder, migrates, and
// compares the whole tree with its "after" tree, byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "support/settings_migration.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

using namespace test;

FileTree fixture(const std::string& name, const char* stage) {
  return readTree(windowsPath(std::string(KAVRI_MIGRATION_FIXTURES) + "/" + name + "/" + stage));
}

struct FixtureCase {
  const char* name;
  const char* shows;
};

// complete:    every list converted; the rest of "settings" removed; the video
//              list, one of whose videos is not in its play order, is kept
//              aside as "videolistsettings.json.kept".
// partial:     a list element without "path", a truncated file, a song whose
//              "song_path" is no string: what came before the fault is saved,
//              and the three old lists are kept aside (".kept").
// user:        a "User" folder stops everything.
// empty_lists: an empty new list leaves the earlier run's file in place.
// unwritable:  a new song file that cannot be written keeps the old song list.
// no_songs:    without an old song list no song file is written; ids match
//              after truncation and are written back truncated.
const FixtureCase kCases[] = {
    {"complete", "all lists"}, {"partial", "faults"}, {"user", "User folder"},
    {"empty_lists", "empty lists"}, {"unwritable", "write failure"}, {"no_songs", "video list only"},
};

TEST(SettingsMigration, FixtureFoldersBecomeTheirExpectedTrees) {
  for (const FixtureCase& c : kCases) {
    SCOPED_TRACE(std::string(c.name) + ": " + c.shows);
    ScratchFolder appData(L"migration_" + std::wstring(c.name, c.name + strlen(c.name)));
    const FileTree before = fixture(c.name, "before");
    ASSERT_FALSE(before.empty());
    writeTree(appData.path(), before);
    migrateApplicationSettings(appData.path());
    EXPECT_EQ(readTree(appData.path()), fixture(c.name, "after"));
  }
}

TEST(SettingsMigration, ASecondRunKeepsTheFilesOfTheFirst) {
  ScratchFolder appData(L"migration_twice");
  writeTree(appData.path(), fixture("complete", "before"));
  migrateApplicationSettings(appData.path() + L"\\");
  const FileTree expected = fixture("complete", "after");
  ASSERT_EQ(readTree(appData.path()), expected);
  migrateApplicationSettings(appData.path());
  EXPECT_EQ(readTree(appData.path()), expected);
}

TEST(SettingsMigration, AReadOnlyOldListIsDeletedOnceMigrated) {
  ScratchFolder appData(L"migration_readonly");
  writeTree(appData.path(), fixture("complete", "before"));
  for (const wchar_t* name : {L"Pelvano\\settings\\imagelistsettings.json", L"Pelvano\\settings\\cache\\thumb.dat"}) {
    ASSERT_TRUE(::SetFileAttributesW((appData / name).c_str(), FILE_ATTRIBUTE_READONLY));
  }
  migrateApplicationSettings(appData.path());
  EXPECT_EQ(readTree(appData.path()), fixture("complete", "after"));
}

TEST(SettingsMigration, NoOldListsChangesNothingAndCreatesNothing) {
  ScratchFolder appData(L"migration_nothing");
  migrateApplicationSettings(appData.path());
  EXPECT_TRUE(readTree(appData.path()).empty());

  const FileTree earlier = {{L"Pelvano\\", ""}, {L"Pelvano\\settings\\", ""},
                            {L"Pelvano\\settings\\imagelist.json", "[\"a\"]"},
                            {L"Pelvano\\settings\\unrelated.txt", "u"},
                            {L"Pelvano\\kavrisongs.json", "[{\"id\":1}]"}};
  writeTree(appData.path(), earlier);
  migrateApplicationSettings(appData.path());
  EXPECT_EQ(readTree(appData.path()), earlier);
}

TEST(SettingsMigration, AnOldListThatIsAFolderCountsAsAbsent) {
  ScratchFolder appData(L"migration_folder");
  const FileTree tree = {{L"Pelvano\\", ""}, {L"Pelvano\\settings\\", ""},
                         {L"Pelvano\\settings\\songlistsettings.json\\", ""},
                         {L"Pelvano\\settings\\songlistsettings.json\\x", "x"}};
  writeTree(appData.path(), tree);
  migrateApplicationSettings(appData.path());
  EXPECT_EQ(readTree(appData.path()), tree);
}

TEST(SettingsMigration, AnOldListHeldOpenByTheApplicationStays) {
  ScratchFolder appData(L"migration_locked");
  writeTree(appData.path(), fixture("complete", "before"));
  const std::wstring songs = appData / L"Pelvano\\settings\\songlistsettings.json";
  const std::string songBytes = readFileBytes(songs);
  {
    const UniqueFile held(::CreateFileW(songs.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    migrateApplicationSettings(appData.path());
  }
  FileTree expected = fixture("complete", "after");
  expected.erase(L"Pelvano\\nativesongs.json");
  expected.erase(L"Pelvano\\kavrisongs.json");
  expected.erase(L"Pelvano\\localsongs.json");
  expected[L"Pelvano\\settings\\songlistsettings.json"] = songBytes;
  EXPECT_EQ(readTree(appData.path()), expected);
}

// An old list is converted once: what the application writes into the new
// files afterwards survives every later start, also when the old list was
// only partly converted or the new file was there before the migration.
TEST(SettingsMigration, NewerFilesOfTheApplicationAreNeverOverwritten) {
  struct Case {
    const char* what;
    const char* fixtureName;
    std::wstring changed;   // the new file the application rewrites
  };
  const Case cases[] = {
      {"partly converted lists, second start", "partial", L"Pelvano\\settings\\imagelist.json"},
      {"partly converted songs, second start", "partial", L"Pelvano\\nativesongs.json"},
      {"complete lists, second start", "complete", L"Pelvano\\settings\\videolist.json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder appData(L"migration_newer");
    writeTree(appData.path(), fixture(c.fixtureName, "before"));
    migrateApplicationSettings(appData.path());
    ASSERT_TRUE(writeFileBytes(appData / c.changed, "[\"changed by the application\"]"));
    FileTree expected = readTree(appData.path());
    migrateApplicationSettings(appData.path());
    migrateApplicationSettings(appData.path());
    EXPECT_EQ(readTree(appData.path()), expected);
  }

  // The application wrote its new list before the migration ever ran: the
  // file stays and the old list is kept aside, nothing of it lost.
  ScratchFolder appData(L"migration_existing");
  FileTree before = fixture("complete", "before");
  before[L"Pelvano\\settings\\imagelist.json"] = "[\"mine\"]";
  writeTree(appData.path(), before);
  migrateApplicationSettings(appData.path());
  const FileTree after = readTree(appData.path());
  EXPECT_EQ(after.at(L"Pelvano\\settings\\imagelist.json"), "[\"mine\"]");
  EXPECT_EQ(after.at(L"Pelvano\\settings\\imagelistsettings.json.kept"),
            before.at(L"Pelvano\\settings\\imagelistsettings.json"));
}

// A user can plant links in the folder the elevated migration writes to: a
// hard link at the old fixed temporary name or at a new list's name must
// never let the migration write into another file.
TEST(SettingsMigration, LinksPlantedInTheFolderAreNeverWrittenThrough) {
  const std::wstring names[] = {L"Pelvano\\settings\\imagelist.json.tmp", L"Pelvano\\settings\\videolist.json.tmp",
                                L"Pelvano\\nativesongs.json.tmp", L"Pelvano\\kavrisongs.json.tmp",
                                L"Pelvano\\localsongs.json.tmp"};
  ScratchFolder appData(L"migration_links");
  writeTree(appData.path(), fixture("complete", "before"));
  const std::wstring victim = appData / L"victim.txt";
  ASSERT_TRUE(writeFileBytes(victim, "precious"));
  for (const std::wstring& name : names) {
    if (!::CreateHardLinkW((appData / name).c_str(), victim.c_str(), nullptr))
      GTEST_SKIP() << "no hard links on this system";
  }
  migrateApplicationSettings(appData.path());
  EXPECT_EQ(readFileBytes(victim), "precious");
  FileTree after = readTree(appData.path());
  for (const auto& [name, content] : fixture("complete", "after")) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    EXPECT_EQ(after[name], content);
  }
}

}  // namespace
}  // namespace kavri
