// Folder helpers under Wine: creating nested folders and deleting trees with
// read-only files, and clearing a folder while keeping chosen entries.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/file_tree.h"
#include "support/folders.h"

namespace kavri {
namespace {

using namespace test;

TEST(Folders, CreateDirectoryMakesEveryMissingParent) {
  ScratchFolder dir(L"folders_create");
  std::wstring forward = dir.path();
  for (wchar_t& c : forward) {
    if (c == L'\\') c = L'/';
  }
  EXPECT_TRUE(createDirectory(forward + L"/a//b/c/"));
  EXPECT_TRUE(createDirectory(dir / L"a\\b"));   // already there
  EXPECT_EQ(readTree(dir.path()), (FileTree{{L"a\\", ""}, {L"a\\b\\", ""}, {L"a\\b\\c\\", ""}}));
}

TEST(Folders, CreateDirectoryFailsBelowAFileOrAMissingDrive) {
  ScratchFolder dir(L"folders_fail");
  ASSERT_TRUE(writeFileBytes(dir / L"file", "x"));
  EXPECT_FALSE(createDirectory(dir / L"file\\sub"));
  EXPECT_FALSE(createDirectory(L""));
  for (wchar_t drive = L'Q'; drive <= L'Y'; ++drive) {
    const std::wstring root = std::wstring(1, drive) + L":\\";
    if (::GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
    EXPECT_FALSE(createDirectory(root + L"a\\b"));
    break;
  }
}

TEST(Folders, RemoveDirectoryDeletesReadOnlyFilesAndNestedFolders) {
  ScratchFolder dir(L"folders_remove");
  writeTree(dir / L"tree", {{L"a.txt", "a"}, {L"sub\\b.txt", "b"}, {L"sub\\deeper\\c.txt", "c"}, {L"empty\\", ""}});
  ASSERT_TRUE(::SetFileAttributesW((dir / L"tree\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW((dir / L"tree\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  removeDirectory(dir / L"tree/");
  EXPECT_TRUE(readTree(dir.path()).empty());
  removeDirectory(dir / L"tree");   // already gone: nothing happens
}

TEST(Folders, RemoveDirectoryContentsKeepsTheChosenEntriesAndTheFolder) {
  ScratchFolder dir(L"folders_contents");
  writeTree(dir.path(), {{L"keep.json", "k"}, {L"drop.json", "d"}, {L"KEEPDIR\\x", "x"}, {L"dropdir\\y", "y"}});
  removeDirectoryContents(dir.path(), [](const std::wstring& name) {
    return name == L"keep.json" || name == L"KEEPDIR";
  });
  EXPECT_EQ(readTree(dir.path()), (FileTree{{L"keep.json", "k"}, {L"KEEPDIR\\", ""}, {L"KEEPDIR\\x", "x"}}));
}

}  // namespace
}  // namespace kavri
