// WindowImpl painting: invalidation, the back buffer, layered updates, the
// caret, the IME position and WM_PRINTCLIENT.
#include <windows.h>
#include <imm.h>

#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/dpi_window.h"
#include "dui/core/style_lookup.h"
#include "dui/core/window_impl.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"

namespace dui {
namespace {

constexpr COLORREF kCaretColour = RGB(90, 90, 90);

}  // namespace

HFONT WindowImpl::defaultFont() const {
  HFONT font = findFont(kDefaultFont);
  return font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// Only records the area: the paint comes with the repaint message or the
// frame timer. A full list is painted (layered) or handed to the system
// (ordinary) to make room.
void WindowImpl::invalidateArea(const Rect& layoutArea) {
  if (!hwnd_ || layoutArea.empty()) return;
  const Rect area = scale_.coverDevice(layoutArea);
  if (layered_) dirty_.add(area, [this] { flush(); });
  else dirty_.add(area, [this] { handToSystem(); });
}

// Ordinary windows: the recorded areas become the system's update region,
// which the next WM_PAINT paints.
void WindowImpl::handToSystem() {
  for (std::size_t i = 0; i < dirty_.size(); ++i) {
    RECT r{dirty_[i].left, dirty_[i].top, dirty_[i].right, dirty_[i].bottom};
    ::InvalidateRect(hwnd_, &r, FALSE);
  }
  dirty_.clear();
}

void WindowImpl::paceFlush() {
  if (!hwnd_ || frameTimerArmed_) return;
  const DWORD since = ::GetTickCount() - lastFlush_;
  if (!painted_ || since >= kFrameMs) {
    flush();
    return;
  }
  if (::SetTimer(hwnd_, kFrameTimerId, kFrameMs - since, nullptr)) frameTimerArmed_ = true;
  else flush();   // no timer: paint now rather than never
}

// Draws the tree and the caret into `dc` (the back buffer), clipped to `area`
// (device pixels). The tree draws in layout units through the window's
// scaling transform; the clip is set before it, in pixels.
void WindowImpl::paintArea(HDC dc, const Rect& area) {
  kavri::ScopedSaveDc saved(dc);
  ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  ::SelectObject(dc, defaultFont());  // restored with the DC state
  ::SetBkMode(dc, TRANSPARENT);
  {
    ScopedDpiTransform scaled(dc, scale_);
    if (root_) root_->draw(dc, root_->rect(), scale_.coverLayout(area));
    drawCaret(dc);
  }
  // The focus mark last, over the tree: a skin picture in layout units, the
  // dotted frame in device pixels (one pixel wide at every scale).
  drawFocusMark(dc, area);
}

void WindowImpl::flush() {
  if (!hwnd_) return;
  // Native children follow their controls before anything is painted, so
  // the areas they uncover are painted in the same pass.
  if (!destroying_) followers_.place();
  lastFlush_ = ::GetTickCount();
  painted_ = true;
  if (!layered_) {
    handToSystem();
    ::UpdateWindow(hwnd_);
    return;
  }
  if (dirty_.empty()) return;
  if (buffer_.dc()) {
    for (std::size_t i = 0; i < dirty_.size(); ++i) paintArea(buffer_.dc(), dirty_[i]);
  }
  dirty_.clear();
  if (!buffer_.dc()) return;
  RECT window{};
  ::GetWindowRect(hwnd_, &window);
  POINT position{window.left, window.top};
  SIZE size{window.right - window.left, window.bottom - window.top};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha_, static_cast<BYTE>(perPixelAlpha_ ? AC_SRC_ALPHA : 0)};
  if (!::UpdateLayeredWindow(hwnd_, nullptr, &position, &size, buffer_.dc(), &source, 0, &blend, ULW_ALPHA))
    kavri::logWin32Failure("UpdateLayeredWindow", __FILE__, __LINE__);
}

LRESULT WindowImpl::onPaint() {
  kavri::ScopedPaint paint(hwnd_);
  const RECT& r = paint.info().rcPaint;
  const Rect area{r.left, r.top, r.right, r.bottom};
  if (!paint.get() || !buffer_.dc() || area.empty()) return 0;
  paintArea(buffer_.dc(), area);
  ::BitBlt(paint.get(), area.left, area.top, area.width(), area.height(), buffer_.dc(), area.left, area.top,
           SRCCOPY);
  return 0;
}

LRESULT WindowImpl::onPrintClient(HDC dc, LPARAM flags) {
  if (!(flags & PRF_CLIENT) || !dc || !root_) return 0;
  kavri::ScopedSaveDc saved(dc);
  ::SelectObject(dc, defaultFont());
  ::SetBkMode(dc, TRANSPARENT);
  ScopedDpiTransform scaled(dc, scale_);
  root_->draw(dc, root_->rect(), clientRect());
  return 0;
}

void WindowImpl::applyRoundCorner(int width, int height) {
  Size corner;
  if (!root_ || !root_->getSize(names::roundCorner, corner)) return;
  const Size scaled = scale_.toDevice(corner);
  kavri::UniqueHrgn region(::CreateRoundRectRgn(0, 0, width + 1, height + 1, scaled.width, scaled.height));
  if (!region) {
    kavri::logWin32Failure("CreateRoundRectRgn", __FILE__, __LINE__);
    return;
  }
  // Refused, the region is still ours and its owner deletes it.
  if (!::SetWindowRgn(hwnd_, region.get(), TRUE)) return;
  // Set, the system owns it and deletes the previous one itself.
  region_ = region.release();
}

// --- Caret

void WindowImpl::drawCaret(HDC dc) {
  if (caretPhase_ != 1 || caretWidth_ <= 0 || caretHeight_ <= 0) return;
  RECT r{caretX_, caretY_, caretX_ + caretWidth_, caretY_ + caretHeight_};
  kavri::UniqueHbrush brush(::CreateSolidBrush(kCaretColour));
  if (brush) ::FillRect(dc, &r, brush.get());
  if (layered_ && buffer_.dc() == dc && buffer_.pixels()) {
    // GDI leaves alpha 0: make the caret opaque in the per-pixel alpha. The
    // buffer bounds the loop: the client area may already be larger.
    const Rect bounds{0, 0, buffer_.width(), buffer_.height()};
    const Rect area = intersect(scale_.coverDevice(Rect{r.left, r.top, r.right, r.bottom}), bounds);
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) buffer_.pixels()[y * buffer_.width() + x] |= 0xFF000000u;
  }
}

void WindowImpl::invalidateCaret() {
  if (!hwnd_ || destroying_) return;
  const Rect area = intersect(Rect{caretX_, caretY_, caretX_ + caretWidth_, caretY_ + caretHeight_}, clientRect());
  if (area.empty()) return;
  invalidateArea(area);
  requestRepaint(false);
}

void WindowImpl::showCaret(int x, int y) {
  if (caretPhase_ == 1) invalidateCaret();
  caretX_ = x;
  caretY_ = y;
  caretPhase_ = 1;
  invalidateCaret();
  caretTimer_.start();  // ticks at once when it was stopped: hidden for the first interval
}

void WindowImpl::hideCaret() {
  caretPhase_ = 0;
  invalidateCaret();
  if (hwnd_) {
    if (HIMC context = ::ImmGetContext(hwnd_)) {
      ::ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
      ::ImmReleaseContext(hwnd_, context);
    }
  }
  caretTimer_.stop();
}

void WindowImpl::onImeStartComposition() {
  if (!caretTimer_.running()) return;
  HWND ime = ::ImmGetDefaultIMEWnd(hwnd_);
  if (!ime) return;
  COMPOSITIONFORM form{};
  form.dwStyle = CFS_POINT;
  form.ptCurrentPos = POINT{scale_.toDevice(caretX_), scale_.toDevice(caretY_)};
  ::SendMessageW(ime, WM_IME_CONTROL, IMC_SETCOMPOSITIONWINDOW, reinterpret_cast<LPARAM>(&form));
}

}  // namespace dui
