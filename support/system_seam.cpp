// The process-wide set of destructive and interactive system calls.
#include "system_seam.h"

#include <vector>

#include "support/user_launch.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

SystemSeam g_seam = realSystemSeam();

}  // namespace

DWORD WINAPI queryProcessIntegrity(HANDLE process) {
  UniqueHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return 0;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return 0;
  std::vector<uint8_t> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size)) return 0;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (!sid || !::IsValidSid(sid) || *::GetSidSubAuthorityCount(sid) == 0) return 0;
  return *::GetSidSubAuthority(sid, DWORD(*::GetSidSubAuthorityCount(sid) - 1));
}

BOOL WINAPI queryProcessElevated() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return FALSE;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return FALSE;
  return elevation.TokenIsElevated != 0;
}

SystemSeam realSystemSeam() {
  return SystemSeam{::TerminateProcess,     ::ExitWindowsEx,  ::MessageBoxW,   queryProcessIntegrity,
                    queryProcessElevated, findDesktopShell, ::ShellExecuteExW};
}

const SystemSeam& systemSeam() { return g_seam; }

SystemSeam replaceSystemSeam(const SystemSeam& calls) {
  SystemSeam previous = g_seam;
  g_seam = calls;
  return previous;
}

}  // namespace kavri
