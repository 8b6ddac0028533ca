// The UTF-8 conversion the markup reader takes from the system in the
// program, stood in for in the native fuzz builds: UTF-8 to UTF-16 code
// units, invalid sequences as U+FFFD, as the system's converter gives them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace dui {

std::wstring utf8ToWide(const void* bytes, size_t size) {
  std::wstring out;
  const auto* p = static_cast<const uint8_t*>(bytes);
  const uint8_t* const end = p + (bytes ? size : 0);
  while (p < end) {
    uint32_t c = *p++;
    int more = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? (c <= 0xEF ? 2 : -1) : c >= 0xC2 ? 1 : c < 0x80 ? 0 : -1;
    if (more < 0) {
      out += wchar_t(0xFFFD);
      continue;
    }
    c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
    bool valid = true;
    for (int i = 0; i < more; ++i) {
      if (p >= end || (*p & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (*p++ & 0x3F);
    }
    if (!valid || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || (more == 2 && c < 0x800) ||
        (more == 3 && c < 0x10000)) {
      out += wchar_t(0xFFFD);
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += wchar_t(0xD800 + (c >> 10));
      out += wchar_t(0xDC00 + (c & 0x3FF));
    } else {
      out += wchar_t(c);
    }
  }
  return out;
}

}  // namespace dui
