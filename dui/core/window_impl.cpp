// WindowImpl: message table, creation, resize and destruction.
#include "dui/core/window_impl.h"

#include <cassert>

#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/dpi_window.h"
#include "dui/core/layout.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"

namespace dui {
namespace {

// A client mouse message's position (two signed 16-bit halves) in layout
// units, packed the same way; a position left of or above the client area
// stays negative.
LPARAM layoutPosition(const DpiScale& scale, LPARAM lParam) {
  if (scale.identity()) return lParam;
  const Point p = scale.toLayout(Point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

bool isClientMouseMessage(UINT message) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEHOVER:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowImpl::WindowTimer::WindowTimer(WindowImpl* owner) : Timer(::GetCaretBlinkTime()), owner_(owner) {}

void WindowImpl::WindowTimer::tick() {
  owner_->caretPhase_ = owner_->caretPhase_ ? 0 : 1;
  owner_->invalidateCaret();
}

WindowImpl::WindowImpl() : caretTimer_(this) {}

WindowImpl::~WindowImpl() {
  destroying_ = true;
  disconnectAccessible();
  tooltip_.reset();
  if (root_) {
    detachControl(root_);  // nothing when WM_DESTROY detached it already
    delete root_;          // the whole tree
    root_ = nullptr;
  }
  capture_ = focus_ = savedFocus_ = hover_ = dropControl_ = nullptr;
  hoverPath_.clear();
  region_ = nullptr;  // the system deletes a region it owns with the window
  caretTimer_.stop();
  idMap_.clear();
  buffer_.release();
  revokeDragDrop();
}

void WindowImpl::setRoot(Control* root) {
  assert((!root || !root->parent()) && "a window's root stands alone: remove it from its panel first");
  if (root_ == root) return;
  if (root_) {
    detachControl(root_);
    delete root_;
  }
  root_ = root;
}

LRESULT WindowImpl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Controls see positions in layout units.
  if (isClientMouseMessage(message)) lParam = layoutPosition(scale_, lParam);
  switch (message) {
    case WM_CREATE:
      return onCreate();
    case WM_DESTROY:
      return onDestroy();
    case WM_SIZE:
      return onSize(wParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE && savedFocus_) {
        setFocus(savedFocus_);
        return 0;
      }
      if (LOWORD(wParam) != WA_INACTIVE) requestFocusSettle();  // a first focus, once shown
      break;
    case WM_CLOSE:
      if (Control* button = cancelButton()) {  // closing by the frame is cancelling
        press(button);
        return 0;
      }
      break;
    case WM_KILLFOCUS:
      onKillFocus();
      return 0;
    case WM_PAINT:
      return onPaint();
    case WM_ERASEBKGND:
      return 1;
    case WM_SHOWWINDOW:
      if (wParam) {
        LPARAM position;
        if (cursorMessagePosition(position)) ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, position);
        requestFocusSettle();
      } else {
        ::SendMessageW(hwnd_, WM_MOUSELEAVE, 0, 0);
      }
      break;
    case WM_SETCURSOR:
      return onSetCursor(wParam, lParam);
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && tooltip_ && header->hwndFrom == tooltip_.get() && header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        info->lpszText = const_cast<wchar_t*>(tooltipText_.c_str());
        info->hinst = nullptr;
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      onKeyDown(wParam, lParam);
      return 0;
    case WM_KEYUP:
      onKey(events::PrevKeyUp, events::KeyUp, wParam, lParam);
      return 0;
    case WM_CHAR:
      onChar(wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (onSysKeyDown(wParam, lParam)) return 0;
      break;
    case WM_SYSCHAR:
      if (onSysChar(wParam)) return 0;
      break;
    case WM_UPDATEUISTATE:
      onUpdateUiState(wParam);
      break;
    case kMsgSettleFocus:
      settleFocus();
      return 0;
    case WM_GETOBJECT:
      if (LRESULT answer = onGetObject(wParam, lParam)) return answer;
      break;
    case WM_IME_STARTCOMPOSITION:
      onImeStartComposition();
      break;
    case WM_SYSCOMMAND: {
      const WPARAM command = wParam & 0xFFF0;
      if (command == SC_MAXIMIZE || command == SC_RESTORE) postCursorMove();
      // Alt alone (or F10) would enter a menu loop that eats the next key;
      // the window has no menu to show.
      if (command == SC_KEYMENU && lParam == 0) return 0;
      break;
    }
    case WM_MOUSEMOVE:
      onMouseMove(wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
      onLeftDown(wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      onLeftUp(wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
      onDoubleClick(true, wParam, lParam);
      return 0;
    case WM_RBUTTONDOWN:
      onRightButton(true, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      onRightButton(false, wParam, lParam);
      return 0;
    case WM_RBUTTONDBLCLK:
      onDoubleClick(false, wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL:
      onWheel(wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      onCaptureChanged();
      return 0;
    case WM_MOUSEHOVER:
      onMouseHover(lParam);
      return 0;
    case WM_MOUSELEAVE:
      onMouseLeave(wParam, lParam);
      return 0;
    case WM_PRINTCLIENT:
      return onPrintClient(reinterpret_cast<HDC>(wParam), lParam);
    case kMsgRepaint:
      if (wParam == kRepaintNow) {
        flush();
      } else {
        repaintPosted_ = false;
        paceFlush();
      }
      return 0;
    case WM_TIMER:
      if (wParam != kFrameTimerId) break;
      ::KillTimer(hwnd_, kFrameTimerId);
      frameTimerArmed_ = false;
      flush();
      return 0;
    case kMsgBeforeNavigate:
    case kMsgNavigateDone: {
      // A browser in this window reports a navigation: the script hears it.
      const wchar_t* address = message == kMsgBeforeNavigate ? reinterpret_cast<const wchar_t*>(wParam) : nullptr;
      if (auto navigation = corePlugs().navigationMessage) navigation(this, message, address ? address : L"");
      return 0;
    }
    case WM_DPICHANGED:
      onDpiChanged(static_cast<int>(HIWORD(wParam)), reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return WindowBase::handleMessage(message, wParam, lParam);
}

LRESULT WindowImpl::onCreate() {
  scale_ = DpiScale(windowDpi(hwnd_));
  if (root_) {
    attachRoot(root_, this);
    const Size size = scale_.toDevice(rootLayoutPass(root_));
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.width, size.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Size corner;
    if (root_->getSize(names::roundCorner, corner)) {
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      applyRoundCorner(client.right, client.bottom);
    }
  }
  initKeyboardCues();   // the tooltip window is made when a tooltip first shows
  if (layered_) {
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) | WS_EX_LAYERED);
    if (root_) invalidate(root_, false);  // the first update comes with the posted repaint message
  }
  return 0;
}

void WindowImpl::updateLayout() {
  if (!hwnd_ || destroying_ || !root_) return;
  const Size size = scale_.toDevice(rootLayoutPass(root_));
  // Only a new size goes to the system: a script relaying out after each
  // report (labels measuring new text) costs no round trip to the window
  // manager, no activation and no resize messages while the size holds.
  RECT window{};
  ::GetWindowRect(hwnd_, &window);
  if (window.right - window.left != size.width || window.bottom - window.top != size.height)
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE);
  // A resize repaints by itself; an unchanged size would keep the old pixels.
  invalidate(root_, false);
}

LRESULT WindowImpl::onSize(WPARAM wParam) {
  if (wParam == SIZE_MINIMIZED) return 0;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int width = client.right;
  const int height = client.bottom;
  buffer_.resize(width, height);
  if (!root_) return 0;
  Size corner;
  if (root_->getSize(names::roundCorner, corner)) applyRoundCorner(width, height);
  const Size layoutSize = scale_.toLayoutCeil(Size{width, height});
  layoutToClient(root_, layoutSize.width, layoutSize.height);
  invalidate(root_, false);
  return 0;
}

void WindowImpl::onDpiChanged(int dpi, const RECT* suggested) {
  if (!hwnd_ || destroying_) return;
  const DpiScale scale(dpi);
  const bool changed = scale != scale_;
  scale_ = scale;
  // The caret, the hover path and native children were placed at the old
  // scale's pixels.
  if (changed) {
    invalidateCaret();
    followers_.tellAllAgain();
  }
  if (suggested) {
    ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // A suggested rectangle of the old size sends no WM_SIZE: lay out again and
  // repaint everything in any case.
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (root_) {
    Size corner;
    if (root_->getSize(names::roundCorner, corner)) applyRoundCorner(client.right, client.bottom);
    const Size layoutSize = scale_.toLayoutCeil(Size{client.right, client.bottom});
    layoutToClient(root_, layoutSize.width, layoutSize.height);
    invalidate(root_, false);
  }
  postMouseMove();
}

LRESULT WindowImpl::onDestroy() {
  destroying_ = true;
  disconnectAccessible();
  hideCaret();
  if (root_) detachControl(root_);
  if (auto destroyed = corePlugs().windowDestroyed) destroyed(this);
  delete this;
  return 0;
}

Rect WindowImpl::clientRect() const {
  RECT r{};
  if (hwnd_) ::GetClientRect(hwnd_, &r);
  return scale_.coverLayout(Rect{r.left, r.top, r.right, r.bottom});
}

bool WindowImpl::cursorDevicePosition(POINT& position) const {
  return hwnd_ && ::GetCursorPos(&position) && ::ScreenToClient(hwnd_, &position);
}

bool WindowImpl::cursorClientPosition(Point& position) const {
  POINT p;
  if (!cursorDevicePosition(p)) return false;
  position = scale_.toLayout(Point{p.x, p.y});
  return true;
}

bool WindowImpl::cursorMessagePosition(LPARAM& lParam) const {
  POINT p;
  if (!cursorDevicePosition(p)) return false;
  lParam = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  return true;
}

void WindowImpl::beginWindowDrag() {
  if (!hwnd_ || destroying_) return;
  // The press gave the window the capture; the system's move loop takes the
  // mouse itself and would otherwise see the capture holder's release.
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
  ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void WindowImpl::postMouseMove() {
  LPARAM position;
  if (!hwnd_ || destroying_ || !cursorMessagePosition(position)) return;
  WPARAM keys = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
  ::PostMessageW(hwnd_, WM_MOUSEMOVE, keys, position);
}

void WindowImpl::followNativeChild(Control* control) {
  if (!hwnd_ || destroying_) return;
  followers_.add(control);
  requestRepaint(false);   // the first placement comes with the next repaint
}

void WindowImpl::requestRepaint(bool synchronous) {
  if (!hwnd_ || destroying_) return;
  if (synchronous) {
    ::SendMessageW(hwnd_, kMsgRepaint, kRepaintNow, 0);
    return;
  }
  // One message (or the frame timer) paints everything invalidated until it
  // is handled: a burst of invalidations costs one post and one paint.
  if (repaintPosted_ || frameTimerArmed_) return;
  repaintPosted_ = ::PostMessageW(hwnd_, kMsgRepaint, 0, 0) != FALSE;
}

// --- Drag and drop (never registered; see CDropTarget).

Control* WindowImpl::dropTargetAt(POINTL pt) const {
  POINT p{pt.x, pt.y};
  if (!root_ || !::ScreenToClient(hwnd_, &p)) return nullptr;
  const Point at = scale_.toLayout(Point{p.x, p.y});
  Control* c = root_->hitTest(at.x, at.y);
  while (c && !c->hasFlag(flags::DropTarget)) c = c->parent();
  return c;
}

void WindowImpl::onDragEnter(IDataObject*, DWORD, POINTL pt, DWORD*) {
  dropControl_ = dropTargetAt(pt);
  if (dropControl_) {
    Event e = makeEvent(events::DragEnter);
    raiseEvent(dropControl_, e);
  }
}

void WindowImpl::onDragOver(DWORD, POINTL pt, DWORD*) {
  Control* c = dropTargetAt(pt);
  if (c != dropControl_) {
    if (dropControl_ && isLive(dropControl_)) {
      Event leave = makeEvent(events::DragLeave);
      raiseEvent(dropControl_, leave);
    }
    dropControl_ = c;
    if (c) {
      Event enter = makeEvent(events::DragEnter);
      raiseEvent(c, enter);
    }
  } else if (c) {
    Event over = makeEvent(events::DragOver);
    raiseEvent(c, over);
  }
}

void WindowImpl::onDragLeave() {
  if (dropControl_ && isLive(dropControl_)) {
    Event e = makeEvent(events::DragLeave);
    raiseEvent(dropControl_, e);
  }
  dropControl_ = nullptr;
}

void WindowImpl::onDrop(IDataObject*, DWORD, POINTL pt, DWORD*) {
  Control* c = dropTargetAt(pt);
  if (c) {
    Event e = makeEvent(events::Drop);
    raiseEvent(c, e);
  }
  dropControl_ = nullptr;
}

}  // namespace dui
