// The event record, event codes and their routing.
#pragma once

#include <cstdint>

namespace dui {

enum class Routing : std::uint32_t { Tunnel = 0, Bubble = 1, Direct = 2 };

// Event codes. 2-32 are also the start-up script's `event` table; 0, 1 and
// 33-37 stay inside the framework; 1024 is the application notification.
// Codes 24 and 29 are not assigned.
namespace events {
enum Code : std::uint32_t {
  Attached = 0,
  Detached = 1,
  GotFocus = 2,
  LostFocus = 3,
  PrevKeyDown = 4,
  KeyDown = 5,
  PrevKeyUp = 6,
  KeyUp = 7,
  PrevKeyPress = 8,
  KeyPress = 9,
  GotCapture = 10,
  LostCapture = 11,
  PrevLButtonDown = 12,
  LButtonDown = 13,
  PrevLButtonUp = 14,
  LButtonUp = 15,       // bubble; direct to the capture holder
  PrevRButtonDown = 16,
  RButtonDown = 17,
  PrevRButtonUp = 18,
  RButtonUp = 19,
  LButtonDbClick = 20,
  RButtonDbClick = 21,
  PrevMouseWheel = 22,
  MouseWheel = 23,
  MouseMove = 25,       // bubble; direct to the capture holder
  MouseEnter = 26,
  MouseLeave = 27,
  QueryCursor = 28,
  Click = 30,           // direct, posted (deferred)
  ValueChange = 31,
  Notify = 32,
  DragEnter = 33,
  DragOver = 34,
  DragLeave = 35,
  Drop = 36,
  PlacementChanged = 37,   // direct, at a control that hosts a native window; lparam a const NativePlacement*
  AppNotify = 1024,
};
}  // namespace events

// {msg, routing, wparam, lparam, handled}. Parameters are pointer-sized like the
// window message's WPARAM and LPARAM they usually carry (32-bit in the program).
struct Event {
  std::uint32_t msg = 0;
  Routing routing = Routing::Direct;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
  std::int32_t handled = 0;  // a handler sets it non-zero to stop delivery
};

// The usual routing of a code (the table's first routing): tunnel for the Prev
// codes, bubble for their plain partners, MouseWheel and MouseMove, direct
// otherwise (also for unknown codes).
Routing defaultRouting(std::uint32_t code);

// An event with the code's usual routing and handled = 0.
inline Event makeEvent(std::uint32_t code, std::uintptr_t wparam = 0, std::intptr_t lparam = 0) {
  Event e;
  e.msg = code;
  e.routing = defaultRouting(code);
  e.wparam = wparam;
  e.lparam = lparam;
  return e;
}

}  // namespace dui
