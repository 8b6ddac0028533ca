// Debugger-output diagnostics.
#include "debug_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace kavri {
namespace {
DebugLogSink g_sink = nullptr;
}

void setDebugLogSink(DebugLogSink sink) { g_sink = sink; }

void debugLog(const std::wstring& text) {
  if (g_sink) g_sink(text);
  std::wstring line = text;
  line += L'\n';
  ::OutputDebugStringW(line.c_str());
}

void debugOutput(const std::wstring& text) {
  if (g_sink) g_sink(text);
  ::OutputDebugStringW(text.c_str());
}

void debugLogf(const wchar_t* format, ...) {
  wchar_t buffer[1024];
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, 1023, format, args);
  va_end(args);
  buffer[1023] = 0;
  debugLog(buffer);
}

void logWin32Failure(const char* call, const char* file, int line) {
  const DWORD error = ::GetLastError();
  debugLogf(L"%hs failed with error %lu (%hs:%d)", call, error, file, line);
  ::SetLastError(error);   // callers may still report it
}

}  // namespace kavri
