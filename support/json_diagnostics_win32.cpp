// JSON diagnostics on Windows: each piece goes to the debugger output.
#include <windows.h>

#include "support/json.h"

namespace kavri {

void writeJsonDiagnosticDefault(const std::u16string& piece) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
  ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(piece.c_str()));
}

}  // namespace kavri
