// Starts a program, waits for it and prints its wall-clock time and the peak
// working set of its process:
//   measure_run.exe PROGRAM [ARGUMENTS...]
// Prints "seconds S", "peak_working_set BYTES" (the largest the system
// reported while the program ran) and "exit_code N".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "support/win32_handles.h"
#include "tests/helpers/bench_timer.h"

namespace {

// One command-line argument, quoted for CreateProcessW.
std::wstring quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: measure_run PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  std::wstring command;
  for (int i = 1; i < argc; ++i) command += (i > 1 ? L" " : L"") + quoted(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const double start = kavri::test::secondsNow();
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "measure_run: cannot start the program (error %lu)\n", ::GetLastError());
    return 1;
  }
  kavri::UniqueHandle process(info.hProcess);
  kavri::UniqueHandle thread(info.hThread);
  // The counters are asked for while the program runs (an ended process may
  // no longer report them); the peak only grows, so the last answer counts.
  SIZE_T peak = 0;
  bool known = false;
  do {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process.get(), &counters, sizeof counters) && counters.PeakWorkingSetSize) {
      known = true;
      if (counters.PeakWorkingSetSize > peak) peak = counters.PeakWorkingSetSize;
    }
  } while (::WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT);
  const double seconds = kavri::test::secondsNow() - start;
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  std::printf("seconds %.3f\n", seconds);
  if (known)
    std::printf("peak_working_set %llu\n", static_cast<unsigned long long>(peak));
  else
    std::printf("peak_working_set unknown\n");
  std::printf("exit_code %lu\n", static_cast<unsigned long>(code));
  return 0;
}
