// The program's private window messages, named once for every window procedure.
#pragma once

#include <windows.h>

namespace dui {

// Thread message carrying an application notification from the background
// work (raised as event code 1024 on the UI thread).
constexpr UINT kMsgAppNotify = WM_USER;             // 1024
// To a framework window: flush pending repaints (dirty areas) now.
// To the dispatcher window: run the deferred call whose record is in wParam.
constexpr UINT kMsgRepaint = WM_USER + 1;           // 1025
constexpr UINT kMsgDeferredCall = WM_USER + 1;      // 1025 (dispatcher window)
// wParam of the repaint message sent by a synchronous invalidation: paint at
// once, whenever the last paint was.
constexpr WPARAM kRepaintNow = 1;
// The window timer that paints invalidations held back to the next frame.
constexpr UINT_PTR kFrameTimerId = 0x4B46;
// To the web browser's host window: sent before a navigation (wParam: target
// address as a wide string) and posted after it completed.
constexpr UINT kMsgBeforeNavigate = WM_USER + 102;  // 1126
constexpr UINT kMsgNavigateDone = WM_USER + 103;    // 1127
// To a framework window, posted: give the focus a place after pages were
// shown or hidden (the focus goes to the shown page when it has none left).
constexpr UINT kMsgSettleFocus = WM_USER + 104;     // 1128

}  // namespace dui
