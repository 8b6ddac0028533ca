// The installer's start-up and teardown, in their fixed order.
#pragma once

#include <windows.h>

#include <string>

#include "support/exit_codes.h"

namespace kavri {

// Packaged file names and their resource ids.
struct PackagedFile {
  const wchar_t* name;
  unsigned id;
};
inline constexpr PackagedFile kPackagedFiles[] = {
    {L"UI.lua", 111}, {L"frame.lz", 113}, {L"LG.lua", 114}, {L"program.lz", 115}, {L"style.lz", 116}};

inline constexpr wchar_t kNoticeCaption[] = L"提示";

// The boxes the host shows before the script runs, each naming the product
// (the string the build wrote from the product file; without one the
// sentence reads as well without the name).
enum class HostBox { AlreadyRunning, RestartPending, CannotStart, SetupDamaged };
std::wstring hostBoxText(HostBox box, const std::wstring& productName);

// What the host knows of its product from the executable's string table
// (support/product_strings.h): empty texts when the build wrote none.
struct ProductStrings {
  std::wstring name;
  std::wstring id;
  std::wstring version;
  std::wstring publisher;
};
ProductStrings readProductStrings(HMODULE module);

// The instance mutex of the product with that id, the same for its setup and
// its uninstaller, so two products never keep each other from starting; the
// project's own name for an executable without an id.
std::wstring instanceMutexName(const std::wstring& productId);

// Runs the whole installer: guards, initialisation, "UI.lua", teardown.
// Returns the process's exit code: UI.lua's (see ScriptHost::runScript), or
// the host's own for a run that never reached the script (support/exit_codes.h:
// a silent install must not read them as success).
int runInstaller(HMODULE module);

}  // namespace kavri
