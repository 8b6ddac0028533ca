// The whole-file check the installer makes of its own file at start-up
// (ModuleFile::verifyChecksum): time and rate over a given executable.
//
// Usage: setup_check_bench.exe FILE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "package/module_file.h"
#include "support/win32_handles.h"
#include "tests/helpers/bench_timer.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: setup_check_bench FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  kavri::UniqueFile file(::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) {
    std::fprintf(stderr, "setup_check_bench: cannot open the file\n");
    return 1;
  }
  const char* names[] = {"intact", "damaged", "not recorded", "unreadable"};
  for (int run = 0; run < runs; ++run) {
    const double start = kavri::test::secondsNow();
    const kavri::ModuleFile::Checksum result = kavri::verifyFileChecksum(file.get(), uint64_t(size.QuadPart));
    const double seconds = kavri::test::secondsNow() - start;
    std::printf("run %d: %lld bytes in %.3f s, %.0f MB/s, %s\n", run + 1, (long long)size.QuadPart, seconds,
                double(size.QuadPart) / 1048576.0 / seconds, names[int(result)]);
  }
  return 0;
}
