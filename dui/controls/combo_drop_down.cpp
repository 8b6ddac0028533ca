// The combo box's drop-down window and its local message loop.
#include "dui/controls/combo_drop_down.h"

#include <windowsx.h>

#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "dui/core/layout_panels.h"
#include "dui/core/message_wait.h"
#include "dui/core/style_lookup.h"

namespace dui {
namespace {

constexpr UINT_PTR kWakeTimer = 1;  // wakes the loop so it sees another window become active

bool isButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK ||
         message == WM_XBUTTONDOWN || message == WM_XBUTTONDBLCLK;
}

}  // namespace

ComboHelperWnd::ComboHelperWnd(ComboBox* combo) : combo_(combo) {
  auto* background = new Grid;
  background->setString(names::style, kComboDroppedStyle);
  background->setSize(names::initSize, Size{1, 1});
  list_ = new ListBox;
  list_->setRect(names::margin, Rect{2, 2, 2, 2});
  list_->setInt(names::itemHeight, ComboBox::kRowHeight);
  list_->setTakesFocus(false);
  background->addChild(list_);
  setRoot(background);
}

ComboHelperWnd::~ComboHelperWnd() {
  if (loop_) {
    loop_->destroyed = true;
    loop_->closed = true;
    loop_ = nullptr;
  }
  if (combo_) combo_->dropDownDestroyed();
  combo_ = nullptr;
}

void ComboHelperWnd::close() {
  if (!loop_) return;
  loop_->closed = true;
  if (hwnd_) ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void ComboHelperWnd::comboDestroyed() {
  combo_ = nullptr;
  if (!hwnd_) return;
  // Inside the loop this window may be handling the very message that
  // destroyed the combo: it goes when the posted close arrives.
  if (loop_) {
    loop_->closed = true;
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  } else {
    ::DestroyWindow(hwnd_);  // deletes this object
  }
}

LRESULT ComboHelperWnd::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (combo_) {  // Alt+F4 or a close request hides the drop-down only
        close();
        return 0;
      }
      break;  // the combo is gone: the default destroys the window
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // the owner stays the active window
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        close();
        return 0;
      }
      if (wParam == VK_RETURN) {
        if (list_->selectedItem()) {
          Event chosen = makeEvent(events::Notify, ListBox::kItemChosen, 0);
          raiseEvent(list_, chosen);
        } else {
          close();
        }
        return 0;
      }
      // The list has the keys: Up and Down move its selection.
      raisePreviewPair(list_, events::PrevKeyDown, events::KeyDown, wParam, lParam);
      return 0;
    default:
      if (isButtonDown(message)) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (!::PtInRect(&client, p)) {  // a press outside closes without choosing
          close();
          return 0;
        }
      }
      break;
  }
  return WindowImpl::handleMessage(message, wParam, lParam);
}

bool ComboHelperWnd::readdress(MSG& msg) const {
  const UINT m = msg.message;
  if (m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL || (m >= WM_KEYFIRST && m <= WM_KEYLAST)) {
    msg.hwnd = hwnd_;
    return true;
  }
  if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) {
    if (msg.hwnd == hwnd_) return false;
    POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ::MapWindowPoints(msg.hwnd, hwnd_, &p, 1);
    msg.hwnd = hwnd_;
    msg.lParam = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    return true;
  }
  if (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK) {
    // Screen positions of the non-client area become this window's client
    // messages, so a press on the owner's frame closes the drop-down too.
    POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ::ScreenToClient(hwnd_, &p);
    msg.hwnd = hwnd_;
    msg.message = m - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
    msg.wParam = 0;
    msg.lParam = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    return true;
  }
  return false;
}

bool ComboHelperWnd::runDropped(const RECT& area, bool below, HWND owner) {
  if (loop_ || !hwnd_) return hwnd_ != nullptr;
  LoopState state;
  loop_ = &state;
  HWND self = hwnd_;
  const HWND activeAtStart = ::GetActiveWindow();
  ::SetWindowLongPtrW(self, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  ::SetWindowPos(self, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
  if (combo_) {
    // The shown text's item is selected and in view (an item selected before
    // the list was laid out was never scrolled to).
    if (!list_->selectText(combo_->getText())) list_->select(nullptr);
    list_->scrollItemIntoView(list_->selectedItem());
  }
  if (!::AnimateWindow(self, 100, AW_SLIDE | (below ? AW_VER_POSITIVE : AW_VER_NEGATIVE)) ||
      !::IsWindowVisible(self))
    ::ShowWindow(self, SW_SHOWNOACTIVATE);
  ::SetTimer(self, kWakeTimer, 100, nullptr);

  // GetMessage/DispatchMessage as every loop, so the thread's message hooks
  // see each message.
  MSG msg{};
  bool quit = false;
  while (!state.closed) {
    const HWND active = ::GetActiveWindow();
    if (active != activeAtStart && active != self && active != owner) break;  // deactivated
    const BOOL got = getMessageOrWork(&msg);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got == -1) break;
    readdress(msg);
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  const bool alive = !state.destroyed;
  if (alive) {
    loop_ = nullptr;
    ::KillTimer(self, kWakeTimer);
    if (captureHolder()) releaseCapture();
    ::ShowWindow(self, SW_HIDE);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loops end too
  return alive;
}

}  // namespace dui
