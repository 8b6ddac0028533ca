// replaceFileContents: a write that fails half-way leaves the old file and no
// temporary file behind, and reports the write's error.
#include "support/file_replace.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "tests/helpers/file_tree.h"

namespace kavri {
namespace {

TEST(FileReplace, AWriteThatFailsHalfWayKeepsTheOldFile) {
  const test::ScratchFolder scratch(L"file_replace");
  const std::wstring folder = scratch.path() + L"\\";
  const std::wstring path = folder + L"target.txt";
  std::ofstream(path.c_str(), std::ios::binary) << "old content";
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);

  // Content whose second page cannot be read: the write fails part-way.
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* memory = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(memory, nullptr);
  memset(memory, 'x', page);
  DWORD old = 0;
  ASSERT_TRUE(::VirtualProtect(memory + page, page, PAGE_NOACCESS, &old));

  EXPECT_FALSE(replaceFileContents(path, memory, 2 * page));
  const DWORD error = ::GetLastError();   // the write's own error survives the clean-up
  // Windows says ERROR_NOACCESS for the unreadable buffer, Wine ERROR_INVALID_USER_BUFFER.
  EXPECT_TRUE(error == ERROR_NOACCESS || error == ERROR_INVALID_USER_BUFFER) << "last error " << error;
  EXPECT_EQ(test::readFileBytes(path), "old content");
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);   // as it was
  EXPECT_EQ(test::readTree(scratch.path()).size(), 1u);   // no temporary file left

  // The same destination with readable content is replaced.
  EXPECT_TRUE(replaceFileContents(path, memory, page));
  EXPECT_EQ(test::readFileBytes(path), std::string(page, 'x'));
  EXPECT_EQ(test::readTree(scratch.path()).size(), 1u);

  ::VirtualFree(memory, 0, MEM_RELEASE);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace kavri
