// Test helpers for Windows-side tests under Wine: paths, child processes,
// message boxes, the restart marker and "ShutdownTime".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/system_seam.h"

namespace kavri::test {

// "/work/x/y.exe" -> "Z:\work\x\y.exe" (Wine maps the Unix root to Z:).
std::wstring windowsPath(const std::string& unixPath);

struct ChildProcess {
  HANDLE process = nullptr;
  DWORD pid = 0;
  ~ChildProcess();
  // Waits up to `ms`; returns the exit code, or -1 on time-out (the process is then killed).
  long wait(DWORD ms);
};

// Starts `exe` with optional command-line arguments.
bool launch(const std::wstring& exe, const std::wstring& args, ChildProcess& child);

// Finds a top-level dialog of process `pid` with this caption, polling up to `ms`.
HWND waitForDialog(DWORD pid, const wchar_t* caption, DWORD ms);
// The text of a message box (its static control 0xFFFF).
std::wstring messageBoxText(HWND box);
// Presses the message box's default button.
void dismissMessageBox(HWND box);
// Counts top-level windows of `pid` with this caption.
int countDialogs(DWORD pid, const wchar_t* caption);

// Puts `calls` in the system seam's place while alive and the previous calls
// back after, however the scope is left (a failed ASSERT returns early).
class SeamOverride {
 public:
  explicit SeamOverride(const SystemSeam& calls) : previous_(replaceSystemSeam(calls)) {}
  ~SeamOverride() { replaceSystemSeam(previous_); }
  SeamOverride(const SeamOverride&) = delete;
  SeamOverride& operator=(const SeamOverride&) = delete;

 private:
  SystemSeam previous_;
};

// Answers the system seam's elevation question as told while alive (Wine
// elevates every process), and with `desktopShell` false makes the desktop
// shell unreachable, as for the system account; restores the seam after.
class ElevationOverride {
 public:
  explicit ElevationOverride(bool elevated, bool desktopShell = true);

 private:
  SeamOverride override_;
};

// "ShutdownTime": set to 8 bytes, or delete it (nullptr).
void setShutdownTime(const uint8_t* value);
// Writes the restart marker with given content, or deletes it (nullptr).
void writeMarker(const std::vector<uint8_t>* content);
bool readMarker(std::vector<uint8_t>& content);

// Whether any entry of the DACL of the file or folder at `path` names Everyone
// (true as well when the DACL cannot be read, or there is none).
bool everyoneHasAnEntry(const std::wstring& path);

}  // namespace kavri::test
