// WindowImpl keyboard use: the Tab order, the default and cancel buttons,
// access keys, the keyboard cues (focus mark and access-key underlines,
// hidden until the keyboard is used, as the system's UI state says) and the
// focus of a page that shows.
//
// Key routing. A key goes first to the focus control (PrevKeyDown/KeyDown,
// PrevKeyPress/KeyPress); what it leaves unhandled is the window's:
//   Tab, Shift+Tab    next, previous tab stop (tabindex first, then tree order)
//   arrows            the same, when the focus (not a text control) left them alone
//   Enter             the default button (isDefault) nearest the focus
//   Escape            the cancel button (isCancel) nearest the focus; the
//                     frame's close box and Alt+F4 press it too
//   a letter (WM_CHAR) outside a text control, or Alt+letter (WM_SYSCHAR)
//                     the control whose text marks it with "&"
// The character a Tab, Enter or Escape used here brings (WM_CHAR) is eaten,
// so it reaches no control. Tab and the arrows show the focus mark; Alt
// shows the mark and the underlines.
//
// Focus of a page. Showing a control (a page, a tab's page) or forgetting
// the focus posts one settle step: when the focus can no longer stay where
// it is (none, hidden, disabled), it goes to the shown page's default button
// or first tab stop (the whole window's when the page has none). A window
// that is not active keeps the choice as its saved focus for activation.
#include <windows.h>

#include <utility>
#include <vector>

#include "dui/core/access_keys.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "dui/core/deferred_call.h"
#include "dui/core/dpi_window.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/skin_image.h"
#include "dui/core/skin_placement.h"
#include "dui/core/style.h"
#include "dui/core/style_lookup.h"
#include "dui/core/window_impl.h"
#include "dui/core/window_messages.h"

namespace dui {
namespace {

bool keyDown(int key) { return ::GetKeyState(key) < 0; }

// The focus mark lies this far inside the control, where it is that large.
constexpr int kFocusMarkInset = 2;

}  // namespace

// --- Pressing and the marked buttons

bool WindowImpl::press(Control* control) {
  if (!control || !isLive(control) || !isUsable(control)) return false;
  postEvent(control, makeEvent(events::Click));
  return true;
}

Control* WindowImpl::cancelButton() const {
  if (!root_ || !isLive(root_)) return nullptr;
  Control* focus = focus_ && isLive(focus_) && canHoldFocus(focus_) ? focus_ : nullptr;
  return markedButtonFor(root_, focus, names::isCancel);
}

bool WindowImpl::pressMarked(AttrKey which, wchar_t swallow) {
  if (!root_ || !isLive(root_)) return false;
  Control* focus = focus_ && isLive(focus_) && canHoldFocus(focus_) ? focus_ : nullptr;
  Control* button = markedButtonFor(root_, focus, which);
  if (!press(button)) return false;
  swallowChar_ = swallow;
  return true;
}

void WindowImpl::closeRequested() {
  if (Control* button = cancelButton()) press(button);
}

// --- Keys

void WindowImpl::moveFocus(bool forward) {
  if (!root_ || !isLive(root_)) return;
  const Control* current = focus_ && isLive(focus_) ? focus_ : nullptr;
  if (Control* next = nextTabStop(root_, current, forward)) focusByKeyboard(next);
}

void WindowImpl::moveFocusByArrow(bool forward) {
  if (!root_ || !isLive(root_)) return;
  Control* current = focus_ && isLive(focus_) ? focus_ : nullptr;
  Control* next = nextTabStop(root_, current, forward);
  if (!next) return;
  // Between option buttons side by side (one parent, one after the other in
  // the Tab order) the arrow also checks the one it reaches, as in a dialog.
  const bool choose =
      current && current->isOptionButton() && next->isOptionButton() && next->parent() == current->parent();
  const std::uint32_t serial = next->serial();
  focusByKeyboard(next);
  if (choose && isLive(next, serial) && focus_ == next) press(next);
}

void WindowImpl::focusByKeyboard(Control* control) {
  if (!control || !isLive(control)) return;
  const std::uint32_t serial = control->serial();
  // A control reached by the keyboard is brought into view first: each
  // scrolling ancestor, innermost first, scrolls to show it. A scroll may run
  // script handlers, so each ancestor is checked before it is asked.
  std::vector<std::pair<Control*, std::uint32_t>> ancestors;
  for (Control* p = control->parent(); p; p = p->parent()) ancestors.emplace_back(p, p->serial());
  for (const auto& [ancestor, ancestorSerial] : ancestors) {
    if (!isLive(control, serial)) return;
    if (isLive(ancestor, ancestorSerial)) ancestor->revealDescendant(*control);
  }
  if (isLive(control, serial)) setFocus(control);
}

void WindowImpl::onKeyDown(WPARAM wParam, LPARAM lParam) {
  swallowChar_ = 0;
  const bool navigation = wParam == VK_TAB || wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP ||
                          wParam == VK_DOWN;
  if (navigation) showKeyboardCues(true, false);
  if (onKey(events::PrevKeyDown, events::KeyDown, wParam, lParam)) return;
  if (destroying_) return;
  // Arrows move the focus from a control that has no use for them; a text
  // control keeps them even when it lets them bubble.
  const bool arrowsMove = focus_ && isLive(focus_) && canHoldFocus(focus_) && !focus_->hasFlag(flags::TextEntry);
  switch (wParam) {
    case VK_TAB:
      if (keyDown(VK_CONTROL) || keyDown(VK_MENU)) return;
      moveFocus(!keyDown(VK_SHIFT));
      swallowChar_ = L'\t';
      break;
    case VK_LEFT:
    case VK_UP:
      if (arrowsMove) moveFocusByArrow(false);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      if (arrowsMove) moveFocusByArrow(true);
      break;
    case VK_RETURN:
      pressMarked(names::isDefault, L'\r');
      break;
    case VK_ESCAPE:
      pressMarked(names::isCancel, 0x1B);
      break;
    default:
      break;
  }
}

void WindowImpl::onChar(WPARAM wParam, LPARAM lParam) {
  if (swallowChar_ != 0 && wParam == swallowChar_) {
    swallowChar_ = 0;
    return;
  }
  swallowChar_ = 0;
  if (onKey(events::PrevKeyPress, events::KeyPress, wParam, lParam)) return;
  if (destroying_ || wParam <= L' ') return;
  if (focus_ && isLive(focus_) && focus_->hasFlag(flags::TextEntry)) return;  // typed, not a key
  runAccessKey(static_cast<wchar_t>(wParam));
}

bool WindowImpl::onSysKeyDown(WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_MENU) {
    showKeyboardCues(true, true);
    return false;
  }
  // Alt+Down and Alt+Up reach the focus control (a combo box opens); the
  // Alt bit (29) of lParam tells them apart from the plain arrows.
  if ((wParam == VK_DOWN || wParam == VK_UP) && focus_ && isLive(focus_)) {
    onKey(events::PrevKeyDown, events::KeyDown, wParam, lParam);
    return true;
  }
  return false;
}

bool WindowImpl::onSysChar(WPARAM wParam) {
  if (wParam == L' ') return false;  // Alt+Space: the system menu
  showKeyboardCues(true, true);
  runAccessKey(static_cast<wchar_t>(wParam));
  return true;  // no beep for a key without a control
}

bool WindowImpl::runAccessKey(wchar_t key) {
  if (!root_ || !isLive(root_)) return false;
  const Control* current = focus_ && isLive(focus_) ? focus_ : nullptr;
  const AccessKeyAction action = accessKeyAction(root_, current, key);
  if (!action.focus) return false;
  const std::uint32_t serial = action.focus->serial();
  focusByKeyboard(action.focus);
  if (action.press && isLive(action.focus, serial)) press(action.focus);
  return true;
}

// --- Keyboard cues

void WindowImpl::initKeyboardCues() {
  BOOL always = FALSE;
  if (!::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0)) always = FALSE;
  focusCues_ = accessKeyCues_ = always != FALSE;
}

void WindowImpl::showKeyboardCues(bool focusMark, bool accessKeys) {
  WORD changed = 0;
  if (focusMark && !focusCues_) changed |= UISF_HIDEFOCUS;
  if (accessKeys && !accessKeyCues_) changed |= UISF_HIDEACCEL;
  if (!changed) return;
  if (changed & UISF_HIDEFOCUS) {
    focusCues_ = true;
    invalidateFocusMark(focus_);
  }
  if (changed & UISF_HIDEACCEL) {
    accessKeyCues_ = true;
    if (root_) invalidate(root_, false);
  }
  // The system keeps the window's UI state too (WM_QUERYUISTATE): tell it.
  if (hwnd_) ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, changed), 0);
}

void WindowImpl::onUpdateUiState(WPARAM wParam) {
  const WORD action = LOWORD(wParam);
  const WORD which = HIWORD(wParam);
  if (action != UIS_SET && action != UIS_CLEAR) return;
  const bool show = action == UIS_CLEAR;
  if ((which & UISF_HIDEFOCUS) && focusCues_ != show) {
    focusCues_ = show;
    invalidateFocusMark(focus_);
  }
  if ((which & UISF_HIDEACCEL) && accessKeyCues_ != show) {
    accessKeyCues_ = show;
    if (root_) invalidate(root_, false);
  }
}

void WindowImpl::invalidateFocusMark(Control* control) {
  if (control && isLive(control)) invalidate(control, false);
}

void WindowImpl::drawFocusMark(HDC dc, const Rect& area) {
  if (!focusCues_ || !focus_ || !isLive(focus_) || !isShown(focus_)) return;
  Rect r;
  if (!absoluteRect(focus_, r) || intersect(scale_.coverDevice(r), area).empty()) return;
  // The skin's mark: the "focusSkin" picture of the control's style (a
  // nine-grid with its "focusScaleGrid"), or of the control itself.
  const Object* owner = nullptr;
  SkinImage* image = nullptr;
  if (const std::wstring* styleName = focus_->findString(names::style))
    if (Style* style = findStyle(*styleName))
      if ((image = imageOf(*style, names::focusSkin))) owner = style;
  if (!image && (image = imageOf(*focus_, names::focusSkin))) owner = focus_;
  if (image) {
    ScopedDpiTransform scaled(dc, scale_);
    Rect grid;
    if (owner->getRect(names::focusScaleGrid, grid)) skin::drawNineGrid(dc, r, image, grid);
    else skin::drawStretched(dc, r, image);
    return;
  }
  if (r.width() > 4 * kFocusMarkInset && r.height() > 4 * kFocusMarkInset)
    r = Rect{r.left + kFocusMarkInset, r.top + kFocusMarkInset, r.right - kFocusMarkInset, r.bottom - kFocusMarkInset};
  r = scale_.toDevice(r);
  RECT mark{r.left, r.top, r.right, r.bottom};
  ::DrawFocusRect(dc, &mark);
  if (layered_ && buffer_.dc() == dc && buffer_.pixels()) {
    // GDI leaves alpha 0: make the mark's frame opaque in the per-pixel alpha.
    const Rect bounds = intersect(intersect(r, area), Rect{0, 0, buffer_.width(), buffer_.height()});
    for (int y = bounds.top; y < bounds.bottom; ++y)
      for (int x = bounds.left; x < bounds.right; ++x)
        if (y == r.top || y == r.bottom - 1 || x == r.left || x == r.right - 1)
          buffer_.pixels()[y * buffer_.width() + x] |= 0xFF000000u;
  }
}

// --- Focus of a shown page

void WindowImpl::controlShown(Control* control) {
  if (!control || !isLive(control) || destroying_) return;
  shownPage_ = control;
  shownPageSerial_ = control->serial();
  announce(control, AccessibleChange::Shown);
  requestFocusSettle();
}

void WindowImpl::requestFocusSettle() {
  if (settlePosted_ || !hwnd_ || destroying_) return;
  settlePosted_ = ::PostMessageW(hwnd_, kMsgSettleFocus, 0, 0) != FALSE;
}

void WindowImpl::settleFocus() {
  settlePosted_ = false;
  if (!hwnd_ || destroying_ || !root_ || !isLive(root_)) return;
  Control* current = focus_ ? focus_ : savedFocus_;
  if (current && isLive(current) && canHoldFocus(current)) return;  // it may stay
  Control* page = shownPage_ && isLive(shownPage_, shownPageSerial_) ? shownPage_ : nullptr;
  Control* target = pageFocusTarget(page);
  if (!target) target = pageFocusTarget(root_);
  if (::GetActiveWindow() != hwnd_ || !::IsWindowVisible(hwnd_)) {
    if (focus_) setFocus(nullptr);
    savedFocus_ = target;  // given on activation
    return;
  }
  setFocus(target);
}

}  // namespace dui
