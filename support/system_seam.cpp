// The process-wide set of destructive and interactive system calls.
#include "system_seam.h"

namespace kavri {
namespace {

SystemSeam g_seam = realSystemSeam();

}  // namespace

SystemSeam realSystemSeam() { return SystemSeam{::TerminateProcess, ::ExitWindowsEx, ::MessageBoxW}; }

const SystemSeam& systemSeam() { return g_seam; }

SystemSeam replaceSystemSeam(const SystemSeam& calls) {
  SystemSeam previous = g_seam;
  g_seam = calls;
  return previous;
}

}  // namespace kavri
