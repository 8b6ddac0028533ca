// The script host of the benchmarks that run a UI script with background
// work: the file system made current, script errors printed instead of shown,
// the UI-thread service started and the UI state created.
#pragma once

#include <windows.h>

#include <cstdio>

#include "package/file_system.h"
#include "script/script_host.h"
#include "script/sr_service.h"
#include "support/system_seam.h"
#include "support/text_convert.h"

namespace kavri::bench {

// The seam's message box: a script error is printed, never shown.
inline int WINAPI printErrorBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  std::fprintf(stderr, "error: %s\n", wideToUtf8(text ? text : L"").c_str());
  return IDOK;
}

// False when the UI state cannot be created.
inline bool startScriptHost(FileSystem* files) {
  setCurrentFileSystem(files);
  SystemSeam seam = realSystemSeam();
  seam.messageBox = printErrorBox;
  replaceSystemSeam(seam);
  SRService::instance().start();
  return ScriptHost::instance().createState();
}

}  // namespace kavri::bench
