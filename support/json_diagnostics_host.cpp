// JSON diagnostics in the native build: each piece goes to standard error as UTF-8.
#include <cstdio>

#include "support/json.h"

namespace kavri {

void writeJsonDiagnosticDefault(const std::u16string& piece) {
  std::string bytes;
  for (const char16_t unit : piece) {
    if (unit < 0x80) {
      bytes += char(unit);
    } else if (unit < 0x800) {
      bytes += char(0xC0 | (unit >> 6));
      bytes += char(0x80 | (unit & 0x3F));
    } else {   // surrogates are written unit by unit: diagnostics only
      bytes += char(0xE0 | (unit >> 12));
      bytes += char(0x80 | ((unit >> 6) & 0x3F));
      bytes += char(0x80 | (unit & 0x3F));
    }
  }
  std::fputs(bytes.c_str(), stderr);
}

}  // namespace kavri
