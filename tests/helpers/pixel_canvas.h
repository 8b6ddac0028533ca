// A DIB section to draw into and read back, for tests that check pixels.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "support/win32_handles.h"

namespace kavri::test {

// A 32-bit top-down DIB section selected into a memory DC, filled with one
// colour, to draw into and read back.
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
  // The pixel's memory word: A R G B from high to low.
  uint32_t at(int x, int y) const {
    ::GdiFlush();
    return bits_[y * width_ + x];
  }
  // Every pixel for which `expected` answers a value must have it.
  void expectPixels(const std::function<uint32_t(int, int)>& expected, const std::string& label) const {
    int wrong = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (at(x, y) != expected(x, y) && ++wrong <= 5)
          ADD_FAILURE() << label << ": pixel (" << x << ", " << y << ") is " << std::hex << at(x, y)
                        << ", expected " << expected(x, y);
    EXPECT_EQ(wrong, 0) << label;
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

}  // namespace kavri::test
