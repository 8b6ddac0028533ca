// Back buffer allocation.
#include "dui/core/back_buffer.h"

#include "support/debug_log.h"

namespace dui {

void BackBuffer::release() {
  if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);  // the DIB is deselected before deletion
  previous_ = nullptr;
  dib_.reset();
  dc_.reset();
  pixels_ = nullptr;
  width_ = height_ = 0;
}

bool BackBuffer::resize(int width, int height) {
  if (dc_ && width == width_ && height == height_) return true;
  release();
  if (width <= 0 || height <= 0) return false;
  kavri::UniqueHdc dc(::CreateCompatibleDC(nullptr));
  if (!dc) {
    kavri::logWin32Failure("CreateCompatibleDC", __FILE__, __LINE__);
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  kavri::UniqueHbitmap dib(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) {
    kavri::logWin32Failure("CreateDIBSection", __FILE__, __LINE__);
    return false;
  }
  previous_ = ::SelectObject(dc.get(), dib.get());
  ::SetBkMode(dc.get(), TRANSPARENT);
  dc_ = std::move(dc);
  dib_ = std::move(dib);
  pixels_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

}  // namespace dui
