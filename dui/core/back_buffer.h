// The back buffer of a window: a memory device context with a 32-bit top-down
// DIB section of exactly the client size. Never cleared between paints.
#pragma once

#include <windows.h>

#include <cstdint>

#include "support/win32_handles.h"

namespace dui {

class BackBuffer {
 public:
  BackBuffer() = default;
  ~BackBuffer() { release(); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // (Re)creates the buffer for this size; nothing when the size is unchanged.
  // False when the system refused (the buffer is then empty).
  bool resize(int width, int height);
  void release();

  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // Top-down BGRA pixels, width() * height() of them; nullptr when empty.
  std::uint32_t* pixels() const { return pixels_; }

 private:
  kavri::UniqueHdc dc_;
  kavri::UniqueHbitmap dib_;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace dui
