// Test helper: writes the identifier of the process that started it, in
// decimal, into the file named on its command line. Tells whether a program
// was started by the installer itself or by the desktop shell.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!arguments || count < 2) return 2;
  DWORD parent = 0;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (snapshot != INVALID_HANDLE_VALUE && ::Process32FirstW(snapshot, &entry)) {
    do {
      if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    } while (::Process32NextW(snapshot, &entry));
  }
  if (snapshot != INVALID_HANDLE_VALUE) ::CloseHandle(snapshot);
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(parent));
  const HANDLE file = ::CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  ::WriteFile(file, text, DWORD(length), &written, nullptr);
  ::CloseHandle(file);
  ::LocalFree(arguments);
  return 0;
}
