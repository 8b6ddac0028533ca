// Launch-to-first-paint benchmark: starts a program, waits until it has a
// visible top-level window with nothing left to paint and has gone idle
// waiting for input, prints how long that took, and ends the program. Runs
// alternate between the programs named; each is timed RUNS times and the
// median is printed with the ratio of each program to the first.
//
// Usage: paint_bench.exe RUNS PROGRAM.exe [PROGRAM.exe ...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "support/text_convert.h"
#include "tests/helpers/bench_timer.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

double now() { return test::secondsNow(); }

struct Search {
  DWORD pid = 0;
  bool painted = false;
};

// A visible top-level window of the process whose update region is empty.
BOOL CALLBACK findPainted(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || !::IsWindowVisible(hwnd) || ::GetWindow(hwnd, GW_OWNER)) return TRUE;
  if (::GetUpdateRect(hwnd, nullptr, FALSE)) return TRUE;
  search->painted = true;
  return FALSE;
}

// Seconds from CreateProcess to the first painted window, or a negative number.
double launchToPaint(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  const double start = now();
  if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
    return -1;
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  double seconds = -1;
  ::WaitForInputIdle(process.get(), 10000);
  for (int i = 0; i < 20000; ++i) {
    Search search;
    search.pid = pi.dwProcessId;
    ::EnumWindows(findPainted, reinterpret_cast<LPARAM>(&search));
    if (search.painted) {
      seconds = now() - start;
      break;
    }
    if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;   // ended without a window
  }
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 10000);
  return seconds;
}

int run(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: paint_bench RUNS PROGRAM.exe [PROGRAM.exe ...]\n");
    return 2;
  }
  const int runs = std::max(1, int(std::wcstol(argv[1], nullptr, 10)));
  std::vector<std::wstring> programs(argv + 2, argv + argc);
  std::vector<std::vector<double>> times(programs.size());
  for (size_t p = 0; p < programs.size(); ++p) launchToPaint(programs[p]);   // warm the caches
  for (int r = 0; r < runs; ++r)
    for (size_t p = 0; p < programs.size(); ++p) times[p].push_back(launchToPaint(programs[p]));
  double first = 0;
  for (size_t p = 0; p < programs.size(); ++p) {
    std::vector<double>& t = times[p];
    if (std::any_of(t.begin(), t.end(), [](double s) { return s < 0; })) {
      std::printf("%s: no painted window\n", wideToUtf8(programs[p]).c_str());
      continue;
    }
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    if (p == 0) first = median;
    std::printf("%-60s median %7.1f ms (min %.1f, max %.1f)", wideToUtf8(programs[p]).c_str(), median * 1000,
                t.front() * 1000, t.back() * 1000);
    if (p > 0 && first > 0) std::printf("  ratio %.2f", median / first);
    std::printf("\n");
  }
  return 0;
}

}  // namespace
}  // namespace kavri

int wmain(int argc, wchar_t** argv) { return kavri::run(argc, argv); }
