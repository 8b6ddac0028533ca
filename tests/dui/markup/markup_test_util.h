// Helpers for the markup and style tests: a DIB to draw into and read back,
// solid-colour images, packages made from entries or from a folder, and a
// fixture that makes a memory file system current.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "support/win32_handles.h"
#include "tests/helpers/image_files.h"
#include "tests/helpers/package_fixture.h"
#include "tests/helpers/pixel_canvas.h"
#include "tests/helpers/win_test_util.h"

namespace dui::test {

using kavri::package::PackageEntry;

inline std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline PackageEntry textEntry(const std::string& name, const std::string& text) {
  return PackageEntry{u16(name), kavri::test::bytesOf(text)};
}

// A w x h PNG of one opaque colour.
inline PackageEntry solidPng(const std::string& name, uint8_t r, uint8_t g, uint8_t b, int w = 8, int h = 8) {
  return PackageEntry{u16(name), kavri::test::encodePng(w, h, std::vector<kavri::test::Rgba>(size_t(w * h), {r, g, b, 255}))};
}

// A PNG of `frames` equal frames stacked vertically, frame i in colours[i].
inline PackageEntry stripPng(const std::string& name, const std::vector<kavri::test::Rgba>& colours, int w, int frameHeight) {
  std::vector<kavri::test::Rgba> pixels;
  for (const kavri::test::Rgba& c : colours) pixels.insert(pixels.end(), size_t(w * frameHeight), c);
  return PackageEntry{u16(name), kavri::test::encodePng(w, frameHeight * int(colours.size()), pixels)};
}

// Every file of a source folder (not recursive) as package entries.
inline std::vector<PackageEntry> folderEntries(const std::string& unixFolder) {
  const std::wstring folder = kavri::test::windowsPath(unixFolder) + L"\\";
  std::vector<PackageEntry> entries;
  WIN32_FIND_DATAW found{};
  kavri::UniqueFind search(::FindFirstFileW((folder + L"*").c_str(), &found));
  if (!search) return entries;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring name = found.cFileName;
    std::ifstream file((folder + name).c_str(), std::ios::binary);
    entries.push_back({std::u16string(name.begin(), name.end()),
                       std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {})});
  } while (::FindNextFileW(search.get(), &found));
  return entries;
}

using kavri::test::PixelCanvas;

// Makes a memory file system current while the test runs.
class MemoryFilesTest : public ::testing::Test {
 protected:
  void addPackage(const std::wstring& name, std::vector<PackageEntry> entries) {
    files_.addFile(name, kavri::test::buildImage(std::move(entries)));
  }
  void SetUp() override { kavri::setCurrentFileSystem(&files_); }
  void TearDown() override { kavri::setCurrentFileSystem(nullptr); }

  kavri::MemoryFileSystem files_;
};

}  // namespace dui::test
