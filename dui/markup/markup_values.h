// Value syntax of markup attributes: "%d" integers, comma-separated integer
// lists and "#rrggbb" colours. Window-free; used by the attribute setters
// and by "font.xml".
#pragma once

#include <cstdint>
#include <optional>

namespace dui {

// A decimal integer as "%d" reads it: leading white space skipped, an
// optional sign, then digits; anything after them is ignored. Values outside
// 32 bits saturate instead of overflowing. Nothing when there are no digits.
std::optional<std::int32_t> parseLeadingInt(const wchar_t* text);

// `count` integers as "%d,%d,..." reads them: each number as above, the
// separators exactly one ',' right after the previous number. False (and
// `out` untouched) unless all `count` numbers are there.
bool parseIntList(const wchar_t* text, std::int32_t* out, int count);

// "#rrggbb": the characters at indexes 1 to 6 are hexadecimal digits (index 0
// is not examined; any other character counts as 0). The value packs them
// unchanged, first pair highest: rr * 65536 + gg * 256 + bb. Nothing for a
// text shorter than seven characters.
std::optional<std::int32_t> parseColor(const wchar_t* text);

}  // namespace dui
