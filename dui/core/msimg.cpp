// Run-time loading of msimg32 from the system folder.
#include "msimg.h"

#include <string>

#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {
namespace {

kavri::UniqueHmodule g_module;
AlphaBlendProc g_alphaBlend = nullptr;

template <typename Proc>
Proc lookUp(HMODULE module, const char* name) {
  // FARPROC -> void* -> the real signature: the documented way to use GetProcAddress.
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

HMODULE loadFromSystemFolder() {
  HMODULE module = ::LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A system without the search flags (Windows 7 before KB2533623): name the
  // file by its full path in the system folder instead.
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\msimg32.dll";
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

bool loadMsimg32() {
  if (g_module) return true;
  g_module.reset(loadFromSystemFolder());
  if (!g_module) {
    kavri::logWin32Failure("LoadLibraryExW(msimg32.dll)", __FILE__, __LINE__);
    return false;
  }
  g_alphaBlend = lookUp<AlphaBlendProc>(g_module.get(), "AlphaBlend");
  if (!g_alphaBlend) kavri::debugLog(L"msimg32.dll has no AlphaBlend: transparent images are copied opaque");
  return true;
}

void unloadMsimg32() {
  g_alphaBlend = nullptr;
  g_module.reset();
}

AlphaBlendProc alphaBlendProc() { return g_alphaBlend; }

}  // namespace dui
