// Absolute rectangle, cursor and event pointer positions, and invalidation of
// a control.
#include "dui/core/control_geometry.h"

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/host_window.h"

namespace dui {
namespace {

// Sum of left/top of the control and of each ancestor that has a parent.
Point offsetInWindow(const Control* control) {
  Point offset;
  for (const Control* c = control; c->parent(); c = c->parent()) {
    offset.x += c->rect().left;
    offset.y += c->rect().top;
  }
  return offset;
}

// A mouse message's position: two signed 16-bit halves.
Point pointOfLparam(std::intptr_t lparam) {
  const auto half = [](std::intptr_t bits) { return std::int32_t(std::int16_t(std::uint16_t(bits & 0xFFFF))); };
  return Point{half(lparam), half(lparam >> 16)};
}

}  // namespace

bool absoluteRect(const Control* control, Rect& result) {
  if (!isLive(control)) return false;
  const Rect& r = control->rect();
  const Point offset = offsetInWindow(control);
  result = Rect{offset.x, offset.y, offset.x + r.width(), offset.y + r.height()};
  return true;
}

bool cursorPosition(const Control* control, Point& result) {
  if (!isLive(control) || !control->window()) return false;
  Point cursor;
  if (!control->window()->cursorClientPosition(cursor)) return false;
  const Point offset = offsetInWindow(control);
  result = Point{cursor.x - offset.x, cursor.y - offset.y};
  return true;
}

bool pointerInControl(const Control* control, std::intptr_t lparam, Point& result) {
  if (!isLive(control)) return false;
  const Point pointer = pointOfLparam(lparam);
  const Point offset = offsetInWindow(control);
  result = Point{pointer.x - offset.x, pointer.y - offset.y};
  return true;
}

void invalidate(const Control* control, bool synchronous) {
  if (!isLive(control)) return;
  HostWindow* window = control->window();
  if (!window) return;
  Rect area;
  if (!absoluteRect(control, area)) return;
  area = intersect(area, window->clientRect());
  if (area.empty()) return;
  window->invalidateArea(area);
  window->requestRepaint(synchronous);
}

}  // namespace dui
