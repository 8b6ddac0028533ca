// Windows-side test helpers.
#include "win_test_util.h"

#include <aclapi.h>
#include <sddl.h>

#include "support/instance_guard.h"
#include "support/win32_handles.h"

namespace kavri::test {

std::wstring windowsPath(const std::string& unixPath) {
  std::wstring out = L"Z:";
  for (char c : unixPath) out += (c == '/') ? L'\\' : wchar_t(static_cast<unsigned char>(c));
  return out;
}

namespace {
BOOL WINAPI answerElevated() { return TRUE; }
BOOL WINAPI answerNotElevated() { return FALSE; }
HRESULT WINAPI noDesktopShell(REFIID, void** object) {
  if (object) *object = nullptr;
  return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

// The current calls with the elevation answer (and the desktop shell) replaced.
SystemSeam elevationCalls(bool elevated, bool desktopShell) {
  SystemSeam calls = systemSeam();
  calls.processElevated = elevated ? answerElevated : answerNotElevated;
  if (!desktopShell) calls.desktopShell = noDesktopShell;
  return calls;
}
}  // namespace

ElevationOverride::ElevationOverride(bool elevated, bool desktopShell)
    : override_(elevationCalls(elevated, desktopShell)) {}

ChildProcess::~ChildProcess() {
  if (process) {
    if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ::TerminateProcess(process, 99);
    ::CloseHandle(process);
  }
}

long ChildProcess::wait(DWORD ms) {
  if (!process) return -1;
  if (::WaitForSingleObject(process, ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process, 99);
    ::WaitForSingleObject(process, 5000);
    return -1;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  return long(code);
}

bool launch(const std::wstring& exe, const std::wstring& args, ChildProcess& child) {
  std::wstring commandLine = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  ::CloseHandle(pi.hThread);
  child.process = pi.hProcess;
  child.pid = pi.dwProcessId;
  return true;
}

namespace {
struct FindState {
  DWORD pid;
  const wchar_t* caption;
  HWND found;
  int count;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != state->pid) return TRUE;
  wchar_t title[256] = {};
  ::GetWindowTextW(hwnd, title, 256);
  if (wcscmp(title, state->caption) == 0) {
    if (!state->found) state->found = hwnd;
    ++state->count;
  }
  return TRUE;
}
}  // namespace

HWND waitForDialog(DWORD pid, const wchar_t* caption, DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    FindState state{pid, caption, nullptr, 0};
    ::EnumWindows(findDialog, reinterpret_cast<LPARAM>(&state));
    if (state.found && ::IsWindowVisible(state.found)) return state.found;
    ::Sleep(50);
  } while (::GetTickCount() - start < ms);
  return nullptr;
}

int countDialogs(DWORD pid, const wchar_t* caption) {
  FindState state{pid, caption, nullptr, 0};
  ::EnumWindows(findDialog, reinterpret_cast<LPARAM>(&state));
  return state.count;
}

std::wstring messageBoxText(HWND box) {
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

void dismissMessageBox(HWND box) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void setShutdownTime(const uint8_t* value) {
  UniqueHkey key;
  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Windows", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (value)
    ::RegSetValueExW(key.get(), L"ShutdownTime", 0, REG_BINARY, value, 8);
  else
    ::RegDeleteValueW(key.get(), L"ShutdownTime");
}

void writeMarker(const std::vector<uint8_t>* content) {
  const std::wstring path = restartMarkerPath();
  if (!content) {
    ::DeleteFileW(path.c_str());
    return;
  }
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE | WRITE_OWNER, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file && !content->empty()) ::WriteFile(file.get(), content->data(), DWORD(content->size()), &written, nullptr);
  // As the elevated installer writes it: owned by the administrators.
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (file && ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size))
    ::SetSecurityInfo(file.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sid, nullptr, nullptr, nullptr);
}

bool readMarker(std::vector<uint8_t>& content) {
  UniqueFile file(::CreateFileW(restartMarkerPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  uint8_t buffer[64];
  DWORD read = 0;
  ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr);
  content.assign(buffer, buffer + read);
  return true;
}

bool everyoneHasAnEntry(const std::wstring& path) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  PACL dacl = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &raw) != ERROR_SUCCESS)
    return true;
  UniqueHlocal release(raw);
  if (!dacl) return true;
  PSID everyone = nullptr;
  ::ConvertStringSidToSidW(L"S-1-1-0", &everyone);
  UniqueHlocal releaseSid(everyone);
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* ace = nullptr;
    if (::GetAce(dacl, index, &ace) &&
        ::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, everyone))
      return true;
  }
  return false;
}

}  // namespace kavri::test
