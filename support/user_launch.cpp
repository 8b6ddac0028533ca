// Starting programs as the signed-in user through the desktop shell.
//
// Why the desktop shell and not explorer's token: asking the user's own
// explorer to run the file (the shell windows list -> the desktop's folder
// view -> Shell.Application -> ShellExecute) starts it exactly as a
// double-click would: with the user's unelevated token, environment and
// profile, in the user's session, through the user's own file associations
// for documents. Taking explorer's token instead (OpenProcessToken,
// DuplicateTokenEx, CreateProcessWithTokenW) needs SeImpersonatePrivilege,
// starts only executables (a readme would need us to resolve the association
// ourselves), and would hand the process this installer's environment. When
// the installer runs as the system account or where no explorer owns the
// desktop, the shell cannot be reached, and nothing is started at all.
#include "user_launch.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shellapi.h>

#include <cstdio>

#include "support/ownership.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

std::wstring withCode(const wchar_t* text, unsigned long code) {
  wchar_t buffer[320];
  _snwprintf(buffer, 319, text, code);
  buffer[319] = 0;
  return buffer;
}

// The system account and the service accounts have no signed-in user's
// desktop: a program started for "the user" would run as them.
bool runsAsServiceAccount() {
  SidBytes sid = processUserSid();
  if (sid.empty()) return false;
  const PSID user = sid.data();
  for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinLocalServiceSid, WinNetworkServiceSid})
    if (::IsWellKnownSid(user, type)) return true;
  return false;
}

bool startDirectly(const UserLaunch& launch, std::wstring& reason) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = launch.verb.empty() ? nullptr : launch.verb.c_str();
  info.lpFile = launch.file.c_str();
  info.lpParameters = launch.parameters.c_str();
  info.lpDirectory = launch.directory.empty() ? nullptr : launch.directory.c_str();
  info.nShow = launch.show;
  if (::ShellExecuteExW(&info)) return true;
  reason = withCode(L"it cannot be started (error %lu)", ::GetLastError());
  return false;
}

// A VARIANT holding a borrowed BSTR, or nothing for an empty text.
VARIANT textVariant(const UniqueBstr& text) {
  VARIANT value;
  ::VariantInit(&value);
  if (text && ::SysStringLen(text.get()) > 0) {
    value.vt = VT_BSTR;
    value.bstrVal = text.get();
  }
  return value;
}

}  // namespace

HRESULT WINAPI findDesktopShell(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComRef<IShellWindows> windows;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  windows.putVoid());
  if (FAILED(hr)) return hr;
  VARIANT location;
  ::VariantInit(&location);
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  VARIANT unused;
  ::VariantInit(&unused);
  long window = 0;
  ComRef<IDispatch> desktop;
  hr = windows->FindWindowSW(&location, &unused, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put());
  if (hr != S_OK || !desktop) return FAILED(hr) ? hr : E_FAIL;   // S_FALSE: no desktop window
  ComRef<IServiceProvider> services;
  if (FAILED(hr = desktop->QueryInterface(IID_IServiceProvider, services.putVoid()))) return hr;
  ComRef<IShellBrowser> browser;
  if (FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid()))) return hr;
  ComRef<IShellView> view;
  if (FAILED(hr = browser->QueryActiveShellView(view.put()))) return hr;
  ComRef<IDispatch> background;
  if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid()))) return hr;
  ComRef<IShellFolderViewDual> folderView;
  if (FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid()))) return hr;
  ComRef<IDispatch> application;
  if (FAILED(hr = folderView->get_Application(application.put()))) return hr;
  if (!application) return E_FAIL;
  return application->QueryInterface(iid, object);
}

bool startAsSignedInUser(const UserLaunch& launch, std::wstring& reason) {
  reason.clear();
  if (launch.file.empty()) {
    reason = L"no program or document was named";
    return false;
  }
  if (!systemSeam().processElevated()) return startDirectly(launch, reason);
  if (runsAsServiceAccount()) {
    reason = L"the installer runs as a system or service account: there is no signed-in user to start it for";
    return false;
  }
  ComScope com(ComScope::Com);
  ComRef<IShellDispatch2> shell;
  HRESULT hr = systemSeam().desktopShell(IID_IShellDispatch2, shell.putVoid());
  if (FAILED(hr) || !shell) {
    reason = withCode(L"no desktop shell of a signed-in user can start it (0x%08lx); it is not started with "
                      L"administrator rights",
                      static_cast<unsigned long>(FAILED(hr) ? hr : E_NOINTERFACE));
    return false;
  }
  const UniqueBstr file(::SysAllocString(launch.file.c_str()));
  const UniqueBstr parameters(::SysAllocString(launch.parameters.c_str()));
  const UniqueBstr directory(::SysAllocString(launch.directory.c_str()));
  const UniqueBstr verb(::SysAllocString(launch.verb.c_str()));
  if (!file || !parameters || !directory || !verb) {
    reason = L"out of memory";
    return false;
  }
  VARIANT show;
  ::VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = launch.show;
#pragma push_macro("ShellExecute")
#undef ShellExecute   // shellapi.h's name for ShellExecuteW, not the interface's method
  hr = shell->ShellExecute(file.get(), textVariant(parameters), textVariant(directory), textVariant(verb), show);
#pragma pop_macro("ShellExecute")
  if (FAILED(hr)) {
    reason = withCode(L"the desktop shell refused to start it (0x%08lx)", static_cast<unsigned long>(hr));
    return false;
  }
  return true;
}

}  // namespace kavri
