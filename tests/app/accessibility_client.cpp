// Test client: reads the demo installer's window the way a screen reader
// does, from another process, through oleacc, and installs with the default
// actions alone.
//   accessibility_client <window title>
// It finds the window, takes its accessible object (AccessibleObjectFromWindow,
// OBJID_CLIENT) and, page by page, checks the roles, names, values and states
// of the controls; presses "Next" and "Install" through accDoDefaultAction;
// ticks the licence box the same way and waits for its state change, which a
// WinEvent hook records; reads the progress bar's value while the copy runs;
// unticks "Start Kavri now" and presses "Finish". Each step prints "ok: ...";
// the first failure prints "FAIL: ..." and ends with exit code 1.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Child {
  long id = 0;
  long role = 0;
  long state = 0;
  std::wstring name, value, action, shortcut;
};

IAccessible* g_acc = nullptr;
HWND g_window = nullptr;
std::vector<std::pair<DWORD, long>> g_events;  // (event, child id) of the window's client

[[noreturn]] void fail(const std::string& what) {
  std::printf("FAIL: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (hwnd == g_window && object == OBJID_CLIENT) g_events.emplace_back(event, child);
}

// Runs this thread's messages (the hook's calls arrive as messages) for a while.
void pumpFor(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

VARIANT childVariant(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::wstring text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long id) {
  BSTR value = nullptr;
  std::wstring out;
  if (SUCCEEDED((g_acc->*get)(childVariant(id), &value)) && value) out.assign(value, ::SysStringLen(value));
  ::SysFreeString(value);
  return out;
}

Child read(long id) {
  Child c;
  c.id = id;
  VARIANT out;
  ::VariantInit(&out);
  if (SUCCEEDED(g_acc->get_accRole(childVariant(id), &out)) && out.vt == VT_I4) c.role = out.lVal;
  ::VariantInit(&out);
  if (SUCCEEDED(g_acc->get_accState(childVariant(id), &out)) && out.vt == VT_I4) c.state = out.lVal;
  c.name = text(&IAccessible::get_accName, id);
  c.value = text(&IAccessible::get_accValue, id);
  c.action = text(&IAccessible::get_accDefaultAction, id);
  c.shortcut = text(&IAccessible::get_accKeyboardShortcut, id);
  return c;
}

std::vector<Child> children() {
  long count = 0;
  if (FAILED(g_acc->get_accChildCount(&count)) || count < 0) fail("get_accChildCount");
  std::vector<VARIANT> v(static_cast<std::size_t>(count) + 1);
  long got = 0;
  if (FAILED(::AccessibleChildren(g_acc, 0, count, v.data(), &got))) fail("AccessibleChildren");
  std::vector<Child> out;
  for (long i = 0; i < got; ++i) {
    if (v[std::size_t(i)].vt != VT_I4) fail("a child that is not a simple element");
    out.push_back(read(v[std::size_t(i)].lVal));
  }
  return out;
}

// The child with that role and name, waiting up to `ms` for it to show.
Child find(long role, const std::wstring& name, DWORD ms = 10000) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    for (const Child& c : children())
      if (c.role == role && c.name == name) return c;
    if (::GetTickCount() - start > ms) fail("no child \"" + narrow(name) + "\" with role " + std::to_string(role));
    pumpFor(100);
  }
}

// What a page must show: role, name, the state bits that must be on and
// those that must be off, and the value when given.
struct Expect {
  long role;
  const wchar_t* name;
  long on, off;
  const wchar_t* value;  // nullptr: not checked
};

void checkPage(const char* page, const std::vector<Expect>& expected) {
  for (const Expect& e : expected) {
    const Child c = find(e.role, e.name);
    const std::string what = std::string(page) + ": \"" + narrow(e.name) + "\"";
    if ((c.state & e.on) != e.on) fail(what + " lacks state bits " + std::to_string(e.on & ~c.state));
    if (c.state & e.off) fail(what + " has state bits " + std::to_string(c.state & e.off));
    if (e.value && c.value != e.value) fail(what + " has the value \"" + narrow(c.value) + "\"");
    if (c.state & STATE_SYSTEM_INVISIBLE) fail(what + " is listed while invisible");
  }
  // Nothing listed without a role or a name, but for graphics and panes named by markup.
  for (const Child& c : children())
    if (c.role == 0) fail(std::string(page) + ": a child without a role");
  std::printf("ok: %s page: %zu controls as expected\n", page, expected.size());
}

void doDefaultAction(const Child& c) {
  const HRESULT hr = g_acc->accDoDefaultAction(childVariant(c.id));
  if (FAILED(hr)) fail("accDoDefaultAction on \"" + narrow(c.name) + "\": " + std::to_string(hr));
}

bool sawEvent(DWORD event, long id, DWORD ms) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) {
    for (const auto& [e, child] : g_events)
      if (e == event && child == id) return true;
    pumpFor(50);
  }
  return false;
}

constexpr long kFocusable = STATE_SYSTEM_FOCUSABLE;
constexpr long kOff = STATE_SYSTEM_UNAVAILABLE;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 2) fail("usage: accessibility_client <window title>");
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) fail("CoInitializeEx");
  for (int i = 0; i < 300 && !g_window; ++i) {
    g_window = ::FindWindowW(L"WINDOW:234:000", argv[1]);
    if (!g_window) ::Sleep(100);
  }
  if (!g_window) fail("no window");
  DWORD process = 0;
  ::GetWindowThreadProcessId(g_window, &process);
  HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &onWinEvent, process, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) fail("SetWinEventHook");
  if (FAILED(::AccessibleObjectFromWindow(g_window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&g_acc))) || !g_acc)
    fail("AccessibleObjectFromWindow");
  VARIANT self = childVariant(CHILDID_SELF);
  VARIANT role;
  ::VariantInit(&role);
  if (FAILED(g_acc->get_accRole(self, &role)) || role.lVal != ROLE_SYSTEM_CLIENT) fail("the window is no client");
  std::printf("ok: the window's accessible object, %zu children\n", children().size());

  // Welcome.
  checkPage("welcome", {
      {ROLE_SYSTEM_STATICTEXT, L"Welcome to Kavri Setup", STATE_SYSTEM_READONLY, kFocusable, nullptr},
      {ROLE_SYSTEM_STATICTEXT, L"This program installs Kavri 1.0.0 on your computer.", 0, 0, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Next", kFocusable | STATE_SYSTEM_DEFAULT, kOff, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Close", 0, kOff, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Minimise", 0, kOff, nullptr},
  });
  const Child next = find(ROLE_SYSTEM_PUSHBUTTON, L"Next");
  if (next.shortcut != L"Alt+N" || next.action != L"Press") fail("\"Next\": shortcut or action");
  VARIANT focus;
  ::VariantInit(&focus);
  if (g_acc->get_accFocus(&focus) == S_OK && focus.vt == VT_I4 && focus.lVal != next.id)
    fail("the welcome page's focus is not on \"Next\"");
  doDefaultAction(next);

  // Licence.
  const Child box = find(ROLE_SYSTEM_CHECKBUTTON, L"I accept the licence agreement");
  checkPage("licence", {
      {ROLE_SYSTEM_STATICTEXT, L"Licence agreement", 0, 0, nullptr},
      {ROLE_SYSTEM_PANE, L"Licence agreement", kFocusable, 0, nullptr},
      {ROLE_SYSTEM_STATICTEXT, L"LICENCE AGREEMENT FOR Kavri", 0, 0, nullptr},
      {ROLE_SYSTEM_SCROLLBAR, L"", 0, 0, L"0"},
      {ROLE_SYSTEM_CHECKBUTTON, L"I accept the licence agreement", kFocusable, STATE_SYSTEM_CHECKED, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Back", kFocusable, kOff, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Next", STATE_SYSTEM_DEFAULT | kOff, 0, nullptr},
  });
  for (const Child& c : children())
    if (c.name == L"Welcome to Kavri Setup") fail("the hidden welcome page is still listed");
  if (box.action != L"Check" || box.shortcut != L"Alt+A") fail("the licence box's action or shortcut");
  g_events.clear();
  doDefaultAction(box);
  if (!sawEvent(EVENT_OBJECT_STATECHANGE, box.id, 5000)) fail("ticking the licence box raised no state change");
  if (!(read(box.id).state & STATE_SYSTEM_CHECKED)) fail("the licence box is not checked");
  const Child licenceNext = find(ROLE_SYSTEM_PUSHBUTTON, L"Next");
  if (licenceNext.state & kOff) fail("\"Next\" stays unavailable after the agreement");
  std::printf("ok: the licence box ticked by its default action, with a state change event\n");
  g_events.clear();
  doDefaultAction(licenceNext);

  // Folder.
  const Child install = find(ROLE_SYSTEM_PUSHBUTTON, L"Install");
  checkPage("folder", {
      {ROLE_SYSTEM_STATICTEXT, L"Choose where to install Kavri", 0, 0, nullptr},
      {ROLE_SYSTEM_TEXT, L"Install into:", kFocusable, STATE_SYSTEM_READONLY, L"C:\\Program Files\\Kavri"},
      {ROLE_SYSTEM_PUSHBUTTON, L"Browse...", kFocusable, 0, nullptr},
      {ROLE_SYSTEM_COMBOBOX, L"Start menu folder:", kFocusable | STATE_SYSTEM_HASPOPUP | STATE_SYSTEM_COLLAPSED, 0,
       L"Kavri"},
      {ROLE_SYSTEM_CHECKBUTTON, L"Put a shortcut on the desktop", kFocusable, STATE_SYSTEM_CHECKED, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Back", kFocusable, kOff, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Install", kFocusable | STATE_SYSTEM_DEFAULT, kOff, nullptr},
  });
  if (!sawEvent(EVENT_OBJECT_FOCUS, install.id, 5000)) fail("the folder page's focus did not go to \"Install\"");
  std::printf("ok: the focus went to the folder page's default button, with a focus event\n");
  doDefaultAction(install);

  // Progress, while the copy runs (paced).
  const Child bar = find(ROLE_SYSTEM_PROGRESSBAR, L"Installation progress");
  checkPage("progress", {
      {ROLE_SYSTEM_PROGRESSBAR, L"Installation progress", STATE_SYSTEM_READONLY, 0, nullptr},
      {ROLE_SYSTEM_GRAPHIC, L"Slides about Kavri", 0, 0, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Cancel", kFocusable, kOff, nullptr},
  });
  std::wstring seen;
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < 30000) {
    const std::wstring value = read(bar.id).value;
    if (!value.empty() && value != L"0%" && value != L"100%" && value.back() == L'%') {
      seen = value;
      break;
    }
    pumpFor(100);
  }
  if (seen.empty()) fail("no progress value between 0% and 100% was read during the copy");
  if (!sawEvent(EVENT_OBJECT_VALUECHANGE, bar.id, 5000)) fail("the progress bar raised no value change");
  std::printf("ok: the progress bar read %s during the copy, with value change events\n", narrow(seen).c_str());

  // Finish.
  const Child finish = find(ROLE_SYSTEM_PUSHBUTTON, L"Finish", 60000);
  checkPage("finish", {
      {ROLE_SYSTEM_STATICTEXT, L"Kavri is installed", 0, 0, nullptr},
      {ROLE_SYSTEM_CHECKBUTTON, L"Start Kavri now", kFocusable | STATE_SYSTEM_CHECKED, 0, nullptr},
      {ROLE_SYSTEM_CHECKBUTTON, L"Show the readme", kFocusable, STATE_SYSTEM_CHECKED, nullptr},
      {ROLE_SYSTEM_PUSHBUTTON, L"Finish", kFocusable | STATE_SYSTEM_DEFAULT, kOff, nullptr},
  });
  for (const Child& c : children())
    if (c.name == L"Restart the computer now") fail("the hidden restart box is listed");
  const Child startNow = find(ROLE_SYSTEM_CHECKBUTTON, L"Start Kavri now");
  g_events.clear();
  doDefaultAction(startNow);
  if (!sawEvent(EVENT_OBJECT_STATECHANGE, startNow.id, 5000) || (read(startNow.id).state & STATE_SYSTEM_CHECKED))
    fail("\"Start Kavri now\" was not unticked");
  doDefaultAction(finish);
  for (int i = 0; i < 100 && ::IsWindow(g_window); ++i) pumpFor(100);
  if (::IsWindow(g_window)) fail("\"Finish\" did not close the window");
  // The window is gone: the object says so instead of failing the client.
  long count = 0;
  const HRESULT gone = g_acc->get_accChildCount(&count);
  std::printf("ok: finished; the object of the closed window answers 0x%08lx\n", static_cast<unsigned long>(gone));
  g_acc->Release();
  ::UnhookWinEvent(hook);
  ::CoUninitialize();
  return 0;
}
