// Process entry point of the installer executable.
#include <windows.h>

#include <cstdlib>

#include "app/startup.h"

// The C++ runtime's default terminate handler prints the escaping exception's
// demangled type to stderr, which a windowed program does not have; it drags
// the whole demangler (about 46 KB) into the executable. This one only aborts,
// which is what the default does after printing.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // System libraries come only from the system folder, so a DLL planted beside
  // a downloaded installer is never loaded.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return kavri::runInstaller(::GetModuleHandleW(nullptr));
}
