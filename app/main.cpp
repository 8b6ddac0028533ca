// Process entry point of the installer executable.
#include <windows.h>

#include <cstdlib>

#include "app/startup.h"

namespace {

// System libraries come only from the system folder, so a DLL planted beside a
// downloaded installer is never loaded. The call is looked up at run time: a
// system without it must still start the installer, which then at least takes
// the current folder out of the search.
void restrictLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

}  // namespace

// The C++ runtime's default terminate handler prints the escaping exception's
// demangled type to stderr, which a windowed program does not have; it drags
// the whole demangler (about 46 KB) into the executable. This one only aborts,
// which is what the default does after printing.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  restrictLibrarySearch();
  return kavri::runInstaller(::GetModuleHandleW(nullptr));
}
