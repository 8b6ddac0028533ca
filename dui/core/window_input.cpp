// WindowImpl input routing: focus, capture, the hover path, buttons, wheel,
// keys, the cursor query and forgetting a control.
//
// Press/capture state table (left button, control C under the mouse):
//   press on C (Enabled)     -> PrevLButtonDown (tunnel); unless handled:
//                               capture if CaptureOnPress, focus if Focusable
//                               (or clear it if ClearsFocus), LButtonDown (bubble)
//   release, capture held    -> LButtonUp (direct to the holder), LostCapture,
//                               then the hover path catches up (MouseLeave/Enter)
//   release, no capture      -> PrevLButtonUp (tunnel), LButtonUp (bubble)
//   double click, DoubleClicks -> LButtonDbClick (direct) only; else a press
// Every raise can run script code that destroys controls, so each step checks
// that the control is still the live one it was (its serial).
#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "dui/core/window_impl.h"

namespace dui {
namespace {

bool stillLive(Control* c, std::uint32_t serial) { return c && isLive(c, serial); }

void raiseOn(Control* c, std::uint32_t code, Routing routing, WPARAM wParam, LPARAM lParam, Event& e) {
  e = Event{};
  e.msg = code;
  e.routing = routing;
  e.wparam = wParam;
  e.lparam = lParam;
  raiseEvent(c, e);
}

bool raiseOn(Control* c, std::uint32_t code, Routing routing, WPARAM wParam = 0, LPARAM lParam = 0) {
  Event e;
  raiseOn(c, code, routing, wParam, lParam, e);
  return e.handled != 0;
}

void repaintIfAsked(Control* c) {
  if (c->hasFlag(flags::RepaintOnMouse)) invalidate(c, false);
}

// Whether `ancestor` is `c` or one of its ancestors.
bool isSelfOrAncestor(const Control* ancestor, const Control* c) {
  for (; c; c = c->parent())
    if (c == ancestor) return true;
  return false;
}

}  // namespace

// --- Hit testing. Message positions are two unsigned 16-bit halves, so a
// position left of or above the client area (while capturing) hits nothing.

Control* WindowImpl::hitTestClient(LPARAM lParam) const {
  if (!root_ || !isLive(root_)) return nullptr;
  const int x = LOWORD(lParam);
  const int y = HIWORD(lParam);
  return root_->hitTest(x, y);
}

Control* WindowImpl::hitTestCursor() const {
  Point p;
  if (!root_ || !isLive(root_) || !cursorClientPosition(p)) return nullptr;
  return root_->hitTest(p.x, p.y);
}

void WindowImpl::postCursorMove() {
  LPARAM position;
  if (hwnd_ && !destroying_ && cursorMessagePosition(position)) ::PostMessageW(hwnd_, WM_MOUSEMOVE, 0, position);
}

// --- Focus

void WindowImpl::setFocus(Control* control) {
  if (control == focus_) return;
  savedFocus_ = nullptr;
  if (Control* old = focus_) {
    focus_ = nullptr;
    if (isLive(old)) {
      if (focusCues_) invalidateFocusMark(old);
      old->setFlag(flags::Focused, false);
      raiseOn(old, events::LostFocus, Routing::Direct);
    }
  }
  if (!control || !isLive(control)) return;
  const std::uint32_t serial = control->serial();
  focus_ = control;
  if (hwnd_ && ::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (!stillLive(control, serial) || focus_ != control) return;  // moved on meanwhile
  control->setFlag(flags::Focused, true);
  if (focusCues_) invalidateFocusMark(control);
  announceFocus(control);
  if (!stillLive(control, serial) || focus_ != control) return;
  raiseOn(control, events::GotFocus, Routing::Direct);
}

void WindowImpl::onKillFocus() {
  Control* old = focus_;
  if (!old) return;
  focus_ = nullptr;
  savedFocus_ = old;  // keeps its Focused bit; activation gives the focus back
  raiseOn(old, events::LostFocus, Routing::Direct);
}

// --- Capture

void WindowImpl::takeCapture(Control* control) {
  ::SetCapture(hwnd_);
  capture_ = control;
  control->setFlag(flags::Captured, true);
  raiseOn(control, events::GotCapture, Routing::Direct);
}

void WindowImpl::releaseCapture() {
  Control* holder = capture_;
  capture_ = nullptr;  // so the WM_CAPTURECHANGED sent now finds no holder
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
  if (holder && isLive(holder)) {
    holder->setFlag(flags::Captured, false);
    raiseOn(holder, events::LostCapture, Routing::Direct);
  }
}

void WindowImpl::onCaptureChanged() {
  Control* holder = capture_;
  if (!holder) return;
  capture_ = nullptr;
  if (!isLive(holder)) return;
  invalidate(holder, false);
  holder->setFlag(flags::Captured, false);
  raiseOn(holder, events::LostCapture, Routing::Direct);
}

// --- Hover path

void WindowImpl::armHoverTracking() {
  TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, hwnd_, HOVER_DEFAULT};
  if (::TrackMouseEvent(&track)) hoverTracking_ = true;
}

void WindowImpl::leavePath(const ControlPath& leave, WPARAM wParam, LPARAM lParam) {
  for (const PathEntry& entry : leave) {
    if (!stillLive(entry.control, entry.serial)) continue;
    repaintIfAsked(entry.control);
    entry.control->setFlag(flags::MouseOver, false);
    raiseOn(entry.control, events::MouseLeave, Routing::Direct, wParam, lParam);
  }
}

void WindowImpl::enterPath(const ControlPath& enter, WPARAM wParam, LPARAM lParam) {
  for (const PathEntry& entry : enter) {
    if (!stillLive(entry.control, entry.serial)) continue;
    repaintIfAsked(entry.control);
    entry.control->setFlag(flags::MouseOver, true);
    raiseOn(entry.control, events::MouseEnter, Routing::Direct, wParam, lParam);
  }
}

void WindowImpl::onMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!hoverTracking_) armHoverTracking();
  Control* target = hitTestClient(lParam);
  const std::uint32_t serial = target ? target->serial() : 0;
  // A forgotten target leaves hover_ empty with its parent's path stored.
  if (target != hover_ || (!target && !hoverPath_.empty())) {
    hideTooltip();
    ControlPath newPath = buildPath(target);
    ControlPath leave, enter;
    diffPaths(hoverPath_, newPath, leave, enter);
    hover_ = target;
    hoverPath_ = std::move(newPath);
    leavePath(leave, wParam, lParam);
    enterPath(enter, wParam, lParam);
  }
  if (capture_) {
    raiseOn(capture_, events::MouseMove, Routing::Direct, wParam, lParam);
  } else if (stillLive(target, serial) && target->hasFlag(flags::Enabled)) {
    raiseOn(target, events::MouseMove, Routing::Bubble, wParam, lParam);
  }
}

void WindowImpl::onMouseLeave(WPARAM wParam, LPARAM lParam) {
  hideTooltip();
  hoverTracking_ = false;
  ControlPath path = std::move(hoverPath_);
  hoverPath_.clear();
  hover_ = nullptr;
  for (const PathEntry& entry : path) {  // from the hover target up to the root
    if (!stillLive(entry.control, entry.serial)) continue;
    repaintIfAsked(entry.control);
    entry.control->setFlag(flags::MouseOver, false);
    raiseOn(entry.control, events::MouseLeave, Routing::Direct, wParam, lParam);
  }
}

void WindowImpl::onMouseHover(LPARAM lParam) {
  armHoverTracking();
  if (capture_) return;
  Control* c = hitTestClient(lParam);
  if (!c) return;
  if (const std::wstring* text = c->findString(names::tooltip)) showTooltip(*text);
}

// --- Buttons

void WindowImpl::onLeftDown(WPARAM wParam, LPARAM lParam) {
  hideTooltip();
  Control* c = hitTestClient(lParam);
  if (!c || !c->hasFlag(flags::Enabled)) return;
  const std::uint32_t serial = c->serial();
  repaintIfAsked(c);
  if (raiseOn(c, events::PrevLButtonDown, Routing::Tunnel, wParam, lParam)) return;
  if (!stillLive(c, serial)) return;
  if (c->hasFlag(flags::CaptureOnPress)) takeCapture(c);
  if (!stillLive(c, serial)) return;
  if (c->hasFlag(flags::Focusable)) setFocus(c);
  else if (c->hasFlag(flags::ClearsFocus)) setFocus(nullptr);
  if (!stillLive(c, serial)) return;
  raiseOn(c, events::LButtonDown, Routing::Bubble, wParam, lParam);
}

void WindowImpl::onLeftUp(WPARAM wParam, LPARAM lParam) {
  if (Control* holder = capture_) {
    repaintIfAsked(holder);
    raiseOn(holder, events::LButtonUp, Routing::Direct, wParam, lParam);
    releaseCapture();
    onMouseMove(wParam, lParam);  // the hover path catches up
    return;
  }
  Control* c = hitTestClient(lParam);
  if (!c || !c->hasFlag(flags::Enabled)) return;
  repaintIfAsked(c);
  raisePreviewPair(c, events::PrevLButtonUp, events::LButtonUp, wParam, lParam);
}

void WindowImpl::onRightButton(bool down, WPARAM wParam, LPARAM lParam) {
  if (down) hideTooltip();
  Control* c = hitTestClient(lParam);
  if (!c || !c->hasFlag(flags::Enabled)) return;
  repaintIfAsked(c);
  if (down) raisePreviewPair(c, events::PrevRButtonDown, events::RButtonDown, wParam, lParam);
  else raisePreviewPair(c, events::PrevRButtonUp, events::RButtonUp, wParam, lParam);
}

void WindowImpl::onDoubleClick(bool left, WPARAM wParam, LPARAM lParam) {
  Control* c = hitTestClient(lParam);
  if (!c || !c->hasFlag(flags::Enabled)) return;
  if (c->hasFlag(flags::DoubleClicks)) {
    raiseOn(c, left ? events::LButtonDbClick : events::RButtonDbClick, Routing::Direct, wParam, lParam);
    return;
  }
  if (left) onLeftDown(wParam, lParam);
  else onRightButton(true, wParam, lParam);
}

// --- Wheel, keys, cursor

void WindowImpl::onWheel(WPARAM wParam, LPARAM lParam) {
  Control* c = hitTestCursor();
  if (c && c->hasFlag(flags::Enabled)) raiseOn(c, events::MouseWheel, Routing::Bubble, wParam, lParam);
}

bool WindowImpl::onKey(std::uint32_t prevCode, std::uint32_t code, WPARAM wParam, LPARAM lParam) {
  Control* c = focus_;
  if (!c || !isLive(c)) return false;
  return raisePreviewPair(c, prevCode, code, wParam, lParam);
}

LRESULT WindowImpl::onSetCursor(WPARAM wParam, LPARAM lParam) {
  if (Control* c = hitTestCursor()) {
    if (raiseOn(c, events::QueryCursor, Routing::Direct)) return TRUE;  // the handler set the cursor
  }
  return ::DefWindowProcW(hwnd_, WM_SETCURSOR, wParam, lParam);
}

// --- Forgetting a control that is detached, disabled or hidden.

void WindowImpl::forgetControl(Control* control) {
  if (!control) return;
  if (capture_ && isSelfOrAncestor(control, capture_)) releaseCapture();
  if (focus_ && isSelfOrAncestor(control, focus_)) {
    setFocus(nullptr);
    requestFocusSettle();  // the focus goes to what is shown now
  }
  if (savedFocus_ && isSelfOrAncestor(control, savedFocus_)) {
    savedFocus_ = nullptr;
    requestFocusSettle();
  }
  if (hover_ && isSelfOrAncestor(control, hover_)) {
    hideTooltip();
    ControlPath newPath = buildPath(control->parent());
    ControlPath leave, enter;
    diffPaths(hoverPath_, newPath, leave, enter);
    hoverPath_ = std::move(newPath);
    hover_ = nullptr;
    leavePath(leave, 0, 0);
    postCursorMove();  // rebuilds the hover path at once
  }
  if (dropControl_ && isSelfOrAncestor(control, dropControl_)) dropControl_ = nullptr;
}

}  // namespace dui
