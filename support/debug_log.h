// Diagnostics to the debugger output (OutputDebugStringW), the program's only log.
#pragma once

#include <string>

namespace kavri {

// Writes one line (a newline is added) to the debugger output.
void debugLog(const std::wstring& text);
// Writes `text` exactly as given, with no line end added (the script's print).
void debugOutput(const std::wstring& text);
// printf-style variant for short formatted diagnostics.
void debugLogf(const wchar_t* format, ...);
// Tests may observe the debugger output: the sink (when set) receives every
// line before it goes to OutputDebugStringW. Pass nullptr to remove it.
using DebugLogSink = void (*)(const std::wstring& line);
void setDebugLogSink(DebugLogSink sink);
// Logs a failed Win32 call with GetLastError() and where it happened.
void logWin32Failure(const char* call, const char* file, int line);

}  // namespace kavri

// Checks a Win32 BOOL result right where the call is made; logs and returns
// `ret` from the current function on failure.
#define KAVRI_RETURN_IF_WIN32_FALSE(call, ret)                       \
  do {                                                               \
    if (!(call)) {                                                   \
      ::kavri::logWin32Failure(#call, __FILE__, __LINE__);           \
      return ret;                                                    \
    }                                                                \
  } while (0)
