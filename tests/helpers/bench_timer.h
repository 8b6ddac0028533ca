// Wall-clock time per run of a benchmark body, with GDI's batch flushed so
// drawing is counted where it happens.
#pragma once

#include <windows.h>

#include <functional>

namespace kavri::test {

// Seconds on the performance counter, for timing stretches by hand.
inline double secondsNow() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

inline double secondsPerRun(int runs, const std::function<void()>& body) {
  LARGE_INTEGER frequency, start, stop;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < runs; ++i) body();
  ::GdiFlush();
  ::QueryPerformanceCounter(&stop);
  return double(stop.QuadPart - start.QuadPart) / double(frequency.QuadPart) / runs;
}

}  // namespace kavri::test
