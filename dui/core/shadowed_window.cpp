// Script windows and their shadow.
#include "dui/core/shadowed_window.h"

#include "dui/core/panel.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"

namespace dui {
namespace {

LayoutRootLoader g_loader = nullptr;

}  // namespace

void setLayoutRootLoader(LayoutRootLoader loader) { g_loader = loader; }

Control* loadLayoutRoot(const std::wstring& layoutName) {
  Control* root = g_loader ? g_loader(layoutName) : nullptr;
  if (root) return root;
  if (g_loader) kavri::debugLog(L"layout \"" + layoutName + L"\" could not be loaded: the window stays empty");
  return new Panel;
}

ProxyWindow::ProxyWindow(const std::wstring& layoutName) : layoutName_(layoutName) {
  setRoot(loadLayoutRoot(layoutName));
  setLayered(true);  // per-pixel alpha from the back buffer
}

ShadowedWindow::ShadowedWindow(const std::wstring& layoutName) : layoutName_(layoutName) {}

LRESULT ShadowedWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      if (!root()) setRoot(loadLayoutRoot(layoutName_));
      const LRESULT result = WindowImpl::handleMessage(message, wParam, lParam);
      createShadow();
      return result;
    }
    case WM_MOVE:
      placeShadow();
      break;
    case WM_SIZE:
      placeShadow();
      break;
    case WM_SHOWWINDOW:
      if (shadow_ && ::IsWindow(shadow_)) ::ShowWindow(shadow_, wParam ? SW_SHOWNOACTIVATE : SW_HIDE);
      break;
    case WM_DESTROY:
      shadow_ = nullptr;  // the system destroys the owned shadow with us
      break;
    default:
      break;
  }
  return WindowImpl::handleMessage(message, wParam, lParam);
}

void ShadowedWindow::createShadow() {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  auto* proxy = new ProxyWindow(kShadowLayout);
  const DWORD style = WS_POPUP | (::IsWindowVisible(hwnd_) ? WS_VISIBLE : 0);
  if (!proxy->create(WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT, style, r.left - kShadowLeft, r.top - kShadowTop,
                     r.right - r.left + kShadowLeft + kShadowRight, r.bottom - r.top + kShadowTop + kShadowBottom,
                     hwnd_)) {
    kavri::debugLog(L"shadow window could not be created");
    return;  // create() deleted the proxy
  }
  shadow_ = proxy->hwnd();
  placeShadow();
}

void ShadowedWindow::placeShadow() {
  if (!shadow_ || !::IsWindow(shadow_)) return;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  ::SetWindowPos(shadow_, nullptr, r.left - kShadowLeft, r.top - kShadowTop,
                 r.right - r.left + kShadowLeft + kShadowRight, r.bottom - r.top + kShadowTop + kShadowBottom,
                 SWP_NOACTIVATE | SWP_NOZORDER);
  ::PostMessageW(shadow_, kMsgRepaint, 0, 0);
}

}  // namespace dui
