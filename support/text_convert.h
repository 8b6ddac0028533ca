// UTF-8 <-> UTF-16 conversion at the boundary between Lua/markup text and the
// program's wide strings.
#pragma once

#include <string>
#include <string_view>

namespace kavri {

// Converts UTF-8 to UTF-16 up to the first zero byte (or the end of `text`).
// Invalid sequences become U+FFFD.
std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);

}  // namespace kavri
