// Test helper: sleeps for the milliseconds given on its command line (default
// 60 s), then ends with exit code 0. Stands in for a long-running program.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  const long ms = (commandLine && *commandLine) ? std::atol(commandLine) : 60000;
  ::Sleep(DWORD(ms > 0 ? ms : 0));
  return 0;
}
