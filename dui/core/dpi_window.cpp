// Window DPI lookup and the scaled painting transform.
#include "dui/core/dpi_window.h"

#include <cmath>

#include "support/win32_handles.h"

namespace dui {
namespace {

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);

GetDpiForWindowProc dpiForWindowProc() {
  static const GetDpiForWindowProc proc = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowProc>(
                        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return proc;
}

}  // namespace

int systemDpi() {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kLayoutDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return sanitizeDpi(dpi);
}

int windowDpi(HWND window) {
  if (window) {
    if (GetDpiForWindowProc proc = dpiForWindowProc()) {
      const UINT dpi = proc(window);
      if (dpi != 0) return sanitizeDpi(static_cast<int>(dpi));
    }
  }
  return systemDpi();
}

ScopedDpiTransform::ScopedDpiTransform(HDC dc, const DpiScale& scale) {
  if (!dc || scale.identity()) return;
  previousMode_ = ::SetGraphicsMode(dc, GM_ADVANCED);
  if (!previousMode_) return;
  const auto f = static_cast<FLOAT>(scale.factor());
  const XFORM transform{f, 0.0f, 0.0f, f, 0.0f, 0.0f};
  if (::SetWorldTransform(dc, &transform)) {
    dc_ = dc;
  } else {
    ::SetGraphicsMode(dc, previousMode_);
  }
}

ScopedDpiTransform::~ScopedDpiTransform() {
  if (!dc_) return;
  ::ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
  ::SetGraphicsMode(dc_, previousMode_);
}

int drawingDpi(HDC dc) {
  XFORM transform{};
  if (!dc || ::GetGraphicsMode(dc) != GM_ADVANCED || !::GetWorldTransform(dc, &transform)) return kLayoutDpi;
  return sanitizeDpi(static_cast<int>(std::lround(std::fabs(transform.eM11) * kLayoutDpi)));
}

}  // namespace dui
