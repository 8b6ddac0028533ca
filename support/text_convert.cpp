// Code-page conversions through MultiByteToWideChar / WideCharToMultiByte.
#include "text_convert.h"

#include <windows.h>

#include <cstring>

namespace kavri {

std::wstring utf8ToWide(std::string_view text) {
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.empty()) return {};
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(size_t(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &out[0], units);
  return out;
}

std::string wideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(size_t(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &out[0], bytes, nullptr, nullptr);
  return out;
}

}  // namespace kavri
