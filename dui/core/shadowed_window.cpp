// Script windows and their shadow.
#include "dui/core/shadowed_window.h"

#include <algorithm>
#include <cmath>

#include "dui/core/core_plugs.h"
#include "dui/core/dpi_window.h"
#include "dui/core/panel.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"

namespace dui {
namespace {

// The shadow drawn when no shadow layout can be loaded: a soft black border
// fading out over the margins, fully transparent over the window itself (the
// shadow lies above its owner). Writes premultiplied alpha straight into the
// back buffer's pixels, so it works in device pixels at the window's scale.
class FallbackShadow : public Panel {
 public:
  void draw(HDC dc, const Rect& layoutRect, const Rect& layoutClip) override {
    const DpiScale scale(drawingDpi(dc));
    const Rect drawRect = scale.toDevice(layoutRect);
    const Rect clip = scale.coverDevice(layoutClip);
    DIBSECTION dib{};
    HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || ::GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits ||
        dib.dsBm.bmBitsPixel != 32)
      return;
    auto* pixels = static_cast<std::uint32_t*>(dib.dsBm.bmBits);
    const int stride = dib.dsBm.bmWidth;
    const Rect inner{drawRect.left + scale.toDevice(ShadowedWindow::kShadowLeft),
                     drawRect.top + scale.toDevice(ShadowedWindow::kShadowTop),
                     drawRect.right - scale.toDevice(ShadowedWindow::kShadowRight),
                     drawRect.bottom - scale.toDevice(ShadowedWindow::kShadowBottom)};
    const double reach = 18.0 * scale.factor();
    const Rect area = intersect(intersect(drawRect, clip), Rect{0, 0, stride, std::abs(dib.dsBm.bmHeight)});
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const int dx = std::max({inner.left - x, x - (inner.right - 1), 0});
        const int dy = std::max({inner.top - y, y - (inner.bottom - 1), 0});
        const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
        const int alpha = (dx == 0 && dy == 0) ? 0 : static_cast<int>(std::max(0.0, 70.0 * (1.0 - distance / reach)));
        pixels[y * stride + x] = static_cast<std::uint32_t>(alpha) << 24;  // premultiplied black
      }
    }
  }
};

}  // namespace

Control* loadLayoutRoot(const std::wstring& layoutName) {
  auto loader = corePlugs().loadLayoutRoot;
  Control* root = loader ? loader(layoutName) : nullptr;
  if (root) return root;
  if (loader) kavri::debugLog(L"layout \"" + layoutName + L"\" could not be loaded: the window stays empty");
  return new Panel;
}

ProxyWindow::ProxyWindow(const std::wstring& layoutName) : layoutName_(layoutName) {
  auto loader = corePlugs().loadLayoutRoot;
  Control* root = loader ? loader(layoutName) : nullptr;
  setRoot(root ? root : new FallbackShadow);
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

Rect ShadowedWindow::shadowMargins() const {
  const DpiScale& s = dpiScale();
  return Rect{s.toDevice(kShadowLeft), s.toDevice(kShadowTop), s.toDevice(kShadowRight), s.toDevice(kShadowBottom)};
}

void ShadowedWindow::onDpiChanged(int dpi, const RECT* suggested) {
  WindowImpl::onDpiChanged(dpi, suggested);
  placeShadow();  // new margins even when the window kept its size
}

void ShadowedWindow::createShadow() {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  const Rect m = shadowMargins();
  auto* proxy = new ProxyWindow(kShadowLayout);
  const DWORD style = WS_POPUP | (::IsWindowVisible(hwnd_) ? WS_VISIBLE : 0);
  if (!proxy->create(WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT, style, r.left - m.left, r.top - m.top,
                     r.right - r.left + m.left + m.right, r.bottom - r.top + m.top + m.bottom, hwnd_)) {
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
  const Rect m = shadowMargins();
  ::SetWindowPos(shadow_, nullptr, r.left - m.left, r.top - m.top, r.right - r.left + m.left + m.right,
                 r.bottom - r.top + m.top + m.bottom, SWP_NOACTIVATE | SWP_NOZORDER);
  ::PostMessageW(shadow_, kMsgRepaint, 0, 0);
}

}  // namespace dui
