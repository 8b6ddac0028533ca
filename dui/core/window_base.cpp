// Window class, window map, binding hook and the static window procedure.
#include "dui/core/window_base.h"

#include <map>

#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {
namespace {

std::map<HWND, WindowBase*>& windowMap() {
  static std::map<HWND, WindowBase*> map;
  return map;
}

// The object whose window is being created, and the hook that binds it.
WindowBase* g_pending = nullptr;
kavri::UniqueHhook g_hook;

bool isOurClass(HWND hwnd) {
  wchar_t name[32] = {};
  return ::GetClassNameW(hwnd, name, 32) > 0 && ::lstrcmpW(name, WindowBase::kClassName) == 0;
}

bool registerWindowClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &windowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = WindowBase::kClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    kavri::logWin32Failure("RegisterClassExW(WINDOW:234:000)", __FILE__, __LINE__);
    return false;
  }
  registered = true;
  return true;
}

}  // namespace

LRESULT CALLBACK bindingHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HCBT_CREATEWND && g_pending) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    if (isOurClass(hwnd)) {
      WindowBase* window = g_pending;
      g_pending = nullptr;
      window->hwnd_ = hwnd;
      try {
        windowMap()[hwnd] = window;
      } catch (...) {
        kavri::debugLog(L"window map insertion failed");
      }
      g_hook.reset();  // bound: the hook has done its job
      return 0;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WindowBase* window = WindowBase::fromHandle(hwnd);
  if (!window) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // A modal window cannot be closed by its frame: the close box and Alt+F4
  // reach the procedure as WM_SYSCOMMAND/SC_CLOSE (sent or posted) and WM_CLOSE.
  if (window->inModalRun() &&
      (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE))) {
    try {
      window->closeRequested();  // may press the window's cancel button
    } catch (...) {
      kavri::debugLog(L"a close request of a modal window failed with an exception");
    }
    return 0;
  }
  LRESULT result = 0;
  try {
    result = window->handleMessage(message, wParam, lParam);
  } catch (...) {
    kavri::debugLogf(L"window message 0x%04x failed with an exception", message);
    result = message == WM_DESTROY ? 0 : ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    // The handle dies now: an object that did not go with WM_DESTROY (its
    // handler failed) must not be found by a later window with this handle.
    auto& map = windowMap();
    auto it = map.find(hwnd);
    if (it != map.end()) map.erase(it);
  }
  return result;
}

WindowBase::~WindowBase() {
  if (g_pending == this) g_pending = nullptr;
  if (deletedDuringCreate_) *deletedDuringCreate_ = true;
  auto& map = windowMap();
  auto it = map.find(hwnd_);
  if (it != map.end() && it->second == this) map.erase(it);
  if (modal_) {
    modal_->destroyed = true;  // the loop on the stack ends without touching this object
    modal_->result = modalResult_;
  }
}

LRESULT WindowBase::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    delete this;
    return 0;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool WindowBase::create(DWORD exStyle, DWORD style, int x, int y, int width, int height, HWND owner) {
  if (hwnd_) return true;  // already created
  if (!registerWindowClass()) {
    delete this;
    return false;
  }
  g_hook.reset(::SetWindowsHookExW(WH_CBT, &bindingHook, nullptr, ::GetCurrentThreadId()));
  if (!g_hook) {
    kavri::logWin32Failure("SetWindowsHookExW(WH_CBT)", __FILE__, __LINE__);
    delete this;
    return false;
  }
  g_pending = this;
  bool deleted = false;  // WM_CREATE failing destroys the half-made window and this object
  deletedDuringCreate_ = &deleted;
  HWND hwnd = ::CreateWindowExW(exStyle, kClassName, L"", style, x, y, width, height, owner, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  // Removed on every path, also when creation failed before the hook ran.
  g_hook.reset();
  g_pending = nullptr;
  if (deleted) return false;
  deletedDuringCreate_ = nullptr;
  if (!hwnd) {
    kavri::logWin32Failure("CreateWindowExW(WINDOW:234:000)", __FILE__, __LINE__);
    delete this;
    return false;
  }
  return true;
}

WindowBase* WindowBase::fromHandle(HWND hwnd) {
  auto& map = windowMap();
  auto it = map.find(hwnd);
  return it == map.end() ? nullptr : it->second;
}

std::size_t liveWindowCount() { return windowMap().size(); }
bool bindingHookInstalled() { return static_cast<bool>(g_hook); }

}  // namespace dui
