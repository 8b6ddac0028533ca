// The private font of the editing controls: a copy of a skin font selected
// into a memory device context, its metrics and a cache of character widths.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "support/win32_handles.h"

namespace dui {

class TextFont {
 public:
  TextFont() = default;
  ~TextFont();
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  // Copies the skin font of that name (the system's default GUI font when the
  // skin has none) and reads its metrics. Answers false when no font or
  // device context could be made; the widths are then 0.
  bool load(const std::wstring& skinFontName);
  bool loaded() const { return font_ && dc_; }

  HFONT handle() const { return font_.get(); }
  int height() const { return height_; }
  int averageWidth() const { return averageWidth_; }
  // Pixel width of one character (cached per block of 256 characters).
  int width(wchar_t c);

 private:
  kavri::UniqueHfont font_;
  kavri::UniqueHdc dc_;
  HGDIOBJ previousFont_ = nullptr;
  int height_ = 0;
  int averageWidth_ = 0;
  std::array<std::unique_ptr<std::array<std::uint16_t, 256>>, 256> widths_{};
};

}  // namespace dui
