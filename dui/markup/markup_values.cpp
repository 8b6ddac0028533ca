// Parsing of integer, integer-list and colour attribute values.
#include "dui/markup/markup_values.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace dui {
namespace {

// Reads one "%d" number at *text and advances past it.
std::optional<std::int32_t> readInt(const wchar_t*& text) {
  const wchar_t* p = text;
  while (std::iswspace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  if (*p < L'0' || *p > L'9') return std::nullopt;
  long long value = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    value = value * 10 + (*p - L'0');
    if (value > INT_MAX) value = INT_MAX + 1LL;   // saturate: no overflow however long
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  text = p;
  return std::int32_t(value);
}

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return 0;   // any other character counts as 0
}

}  // namespace

std::optional<std::int32_t> parseLeadingInt(const wchar_t* text) {
  if (!text) return std::nullopt;
  return readInt(text);
}

bool parseIntList(const wchar_t* text, std::int32_t* out, int count) {
  if (!text || count <= 0) return false;
  std::int32_t values[8];
  if (count > 8) return false;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (*text != L',') return false;
      ++text;
    }
    std::optional<std::int32_t> value = readInt(text);
    if (!value) return false;
    values[i] = *value;
  }
  for (int i = 0; i < count; ++i) out[i] = values[i];
  return true;
}

std::optional<std::int32_t> parseColor(const wchar_t* text) {
  if (!text || std::wcslen(text) < 7) return std::nullopt;
  std::int32_t value = 0;
  for (int i = 1; i <= 6; ++i) value = value * 16 + hexDigit(text[i]);
  return value;
}

}  // namespace dui
