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

#include "app/package/file_system.h"
#include "support/image_files.h"
#include "support/package_fixture.h"
#include "support/win32_handles.h"
#include "support/win_test_util.h"

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
  HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring name = found.cFileName;
    std::ifstream file((folder + name).c_str(), std::ios::binary);
    entries.push_back({std::u16string(name.begin(), name.end()),
                       std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {})});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return entries;
}

// A 32-bit top-down DIB selected into a memory DC, filled with one colour.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height, uint32_t fill = 0xFF000000u) : width_(width), height_(height) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint32_t*>(bits);
    old_ = ::SelectObject(dc_.get(), bitmap_.get());
    clear(fill);
  }
  ~PixelCanvas() { ::SelectObject(dc_.get(), old_); }
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;

  HDC dc() const { return dc_.get(); }
  void clear(uint32_t fill) {
    ::GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = fill;
  }
  // The pixel as 0xRRGGBB (alpha dropped).
  uint32_t rgb(int x, int y) const {
    ::GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFFu;
  }
  // The smallest rectangle holding every pixel whose colour differs from
  // `background` (0xRRGGBB); empty when none does.
  RECT changedBox(uint32_t background) const {
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (rgb(x, y) != background) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  }

 private:
  int width_, height_;
  kavri::UniqueHdc dc_;
  kavri::UniqueHbitmap bitmap_;
  uint32_t* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

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
