// replaceFileContents: a write that fails half-way leaves the old file and no
// temporary file behind.
#include "support/file_replace.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace kavri {
namespace {

std::wstring testFolder() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"kavri_replace_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string readAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int countFiles(const std::wstring& folder) {
  int count = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return count;
}

TEST(FileReplace, AWriteThatFailsHalfWayKeepsTheOldFile) {
  const std::wstring folder = testFolder();
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
  EXPECT_EQ(readAll(path), "old content");
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);   // as it was
  EXPECT_EQ(countFiles(folder), 1);   // no temporary file left

  // The same destination with readable content is replaced.
  EXPECT_TRUE(replaceFileContents(path, memory, page));
  EXPECT_EQ(readAll(path), std::string(page, 'x'));
  EXPECT_EQ(countFiles(folder), 1);

  ::VirtualFree(memory, 0, MEM_RELEASE);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace kavri
