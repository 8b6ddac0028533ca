// WindowImpl's tracking tooltip.
#include "dui/core/window_impl.h"
#include "support/debug_log.h"

namespace dui {

POINT tooltipPosition(POINT cursor, std::size_t textLength, int screenWidth) {
  const long width = static_cast<long>(textLength) * 14;
  POINT p{cursor.x, cursor.y + 19};
  if (cursor.x + width + 2 > screenWidth) p.x = screenWidth - width - 2;
  return p;
}

void WindowImpl::createTooltip() {
  static bool commonControls = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    return ::InitCommonControlsEx(&init) != FALSE;
  }();
  (void)commonControls;
  // Owned by the window: the system destroys it with the window, the owner
  // below destroys it when the window object goes first.
  tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr));
  if (!tooltip_) {
    kavri::logWin32Failure("CreateWindowExW(tooltips_class32)", __FILE__, __LINE__);
    return;
  }
  toolInfo_ = TTTOOLINFOW{};
  toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;  // 44 bytes
  toolInfo_.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
  toolInfo_.hwnd = hwnd_;
  toolInfo_.uId = reinterpret_cast<UINT_PTR>(tooltip_.get());
  toolInfo_.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
}

bool WindowImpl::tooltipVisible() const { return tooltip_ && ::IsWindowVisible(tooltip_.get()); }

void WindowImpl::showTooltip(const std::wstring& text) {
  tooltipText_ = text;
  // Made on first use: most windows never show one, and a window less
  // before the first page is painted starts the installer sooner.
  if (!tooltip_) createTooltip();
  if (!tooltip_ || tooltipVisible()) return;
  POINT cursor{};
  if (!::GetCursorPos(&cursor)) return;
  const POINT at = tooltipPosition(cursor, text.size(), ::GetSystemMetrics(SM_CXSCREEN));
  ::SendMessageW(tooltip_.get(), TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
}

void WindowImpl::hideTooltip() {
  if (tooltipVisible()) ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
}

}  // namespace dui
