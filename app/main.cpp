// Process entry point of the installer executable.
#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // System libraries come only from the system folder, so a DLL planted beside
  // a downloaded installer is never loaded.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return kavri::runInstaller(::GetModuleHandleW(nullptr));
}
