// Copying a skin font and measuring characters with it.
#include "dui/controls/text_font.h"

#include "dui/core/style_lookup.h"

namespace dui {

TextFont::~TextFont() {
  if (dc_ && previousFont_) ::SelectObject(dc_.get(), previousFont_);
}

bool TextFont::load(const std::wstring& skinFontName) {
  if (dc_ && previousFont_) ::SelectObject(dc_.get(), previousFont_);
  previousFont_ = nullptr;
  dc_.reset();
  font_.reset();
  for (auto& page : widths_) page.reset();
  height_ = averageWidth_ = 0;

  HFONT source = findFont(skinFontName);
  if (!source) source = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW description{};
  if (!source || ::GetObjectW(source, sizeof(description), &description) != sizeof(description)) return false;
  font_.reset(::CreateFontIndirectW(&description));
  dc_.reset(::CreateCompatibleDC(nullptr));
  if (!font_ || !dc_) return false;
  previousFont_ = ::SelectObject(dc_.get(), font_.get());
  TEXTMETRICW metrics{};
  if (::GetTextMetricsW(dc_.get(), &metrics)) {
    height_ = metrics.tmHeight;
    averageWidth_ = metrics.tmAveCharWidth;
  }
  return true;
}

int TextFont::width(wchar_t c) {
  if (!loaded()) return 0;
  const unsigned code = static_cast<unsigned>(c) & 0xFFFF;
  auto& page = widths_[code >> 8];
  if (!page) {
    page = std::make_unique<std::array<std::uint16_t, 256>>();
    INT values[256] = {};
    const UINT first = code & 0xFF00;
    if (!::GetCharWidth32W(dc_.get(), first, first + 255, values)) {
      for (INT& v : values) v = averageWidth_;
    }
    for (int i = 0; i < 256; ++i) (*page)[i] = static_cast<std::uint16_t>(values[i] < 0 ? 0 : values[i]);
  }
  return (*page)[code & 0xFF];
}

}  // namespace dui
