// Helpers for tests that drive real framework windows with sent messages: a
// small tree builder and an event log that names each delivery.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/layout_panels.h"
#include "dui/core/panel.h"
#include "dui/core/window_impl.h"

namespace dui_test {

inline const char* eventName(std::uint32_t code) {
  using namespace dui::events;
  switch (code) {
    case GotFocus: return "GotFocus";
    case LostFocus: return "LostFocus";
    case PrevKeyDown: return "PrevKeyDown";
    case KeyDown: return "KeyDown";
    case PrevKeyPress: return "PrevKeyPress";
    case KeyPress: return "KeyPress";
    case GotCapture: return "GotCapture";
    case LostCapture: return "LostCapture";
    case PrevLButtonDown: return "PrevLButtonDown";
    case LButtonDown: return "LButtonDown";
    case PrevLButtonUp: return "PrevLButtonUp";
    case LButtonUp: return "LButtonUp";
    case PrevRButtonDown: return "PrevRButtonDown";
    case RButtonDown: return "RButtonDown";
    case LButtonDbClick: return "LButtonDbClick";
    case MouseWheel: return "MouseWheel";
    case MouseMove: return "MouseMove";
    case MouseEnter: return "MouseEnter";
    case MouseLeave: return "MouseLeave";
    case QueryCursor: return "QueryCursor";
    case Click: return "Click";
    default: return "?";
  }
}

// Logs "name:Event" for each event raised on a tapped control (not the
// deliveries that bubble or tunnel through it), MouseMove only when asked.
class EventLog {
 public:
  void tap(dui::Control* c, const std::string& name) {
    taps_.push_back(std::make_unique<Tap>(Tap{this, c, name}));
    static const std::uint32_t codes[] = {
        dui::events::GotFocus,   dui::events::LostFocus,       dui::events::PrevKeyDown,
        dui::events::KeyDown,    dui::events::PrevKeyPress,    dui::events::KeyPress,
        dui::events::GotCapture, dui::events::LostCapture,     dui::events::PrevLButtonDown,
        dui::events::LButtonDown, dui::events::PrevLButtonUp,  dui::events::LButtonUp,
        dui::events::PrevRButtonDown, dui::events::RButtonDown, dui::events::LButtonDbClick,
        dui::events::MouseWheel, dui::events::MouseMove,       dui::events::MouseEnter,
        dui::events::MouseLeave, dui::events::Click};
    for (std::uint32_t code : codes) c->addHandler(code, taps_.back().get(), &Tap::on);
  }
  std::vector<std::string> take() {
    std::vector<std::string> out;
    out.swap(lines);
    return out;
  }
  bool withMoves = false;
  std::vector<std::string> lines;

 private:
  struct Tap {
    EventLog* log;
    dui::Control* self;
    std::string name;
    void on(dui::Control* sender, dui::Event& e) {
      if (sender != self) return;
      if (e.msg == dui::events::MouseMove && !log->withMoves) return;
      log->lines.push_back(name + ":" + eventName(e.msg));
    }
  };
  std::vector<std::unique_ptr<Tap>> taps_;
};

// A child of a Canvas at (x, y) with a fixed size and extra flags.
inline dui::Control* place(dui::Panel* parent, dui::Control* c, int x, int y, int w, int h,
                           std::uint32_t extraFlags = 0) {
  c->setInt(dui::names::x, x);
  c->setInt(dui::names::y, y);
  c->setInt(dui::names::width, w);
  c->setInt(dui::names::height, h);
  c->setFlagWord(c->flagWord() | extraFlags);
  parent->addChild(c);
  return c;
}

inline LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// Runs the messages already queued for the thread.
inline void pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Runs messages for `ms` milliseconds, waiting for new ones between: enough
// time (by default a few frames) for repaints held back to the next frame.
inline void pumpFor(DWORD ms = 4 * dui::WindowImpl::kFrameMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    pump();
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= ms) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
  }
}

// Where the window `child` lies, in the client coordinates of `host`.
inline dui::Rect childRectIn(HWND host, HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&r), 2);
  return dui::Rect{r.left, r.top, r.right, r.bottom};
}

// A popup at (50, 50) sized to `root`, shown without activation, with the
// real cursor parked far away so that the window sees only the test's
// messages; `layered` paints into the back buffer, where a test reads it.
// Null when the window could not be made.
inline dui::WindowImpl* openQuietPopup(dui::Control* root, bool layered = false) {
  auto* window = new dui::WindowImpl;
  window->setRoot(root);
  if (layered) window->setLayered(true);
  if (!window->create(0, WS_POPUP, 50, 50, 0, 0, nullptr)) return nullptr;
  ::SetCursorPos(1200, 1000);
  ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
  pump();
  return window;
}

// Moves the real cursor to a client point of `hwnd`.
inline void cursorTo(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ::ClientToScreen(hwnd, &p);
  ::SetCursorPos(p.x, p.y);
}

}  // namespace dui_test
