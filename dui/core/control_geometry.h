// Where a control is in its window: absolute rectangle, cursor and event
// pointer positions, and invalidation. All fail or do nothing for a control
// that is not live.
#pragma once

#include <cstdint>

#include "dui/core/geometry.h"

namespace dui {

class Control;

// The control's rectangle in window client coordinates: its own rectangle
// moved by the left/top of it and of every ancestor that has a parent (the
// root's own offset is not included). False when the control is not live.
bool absoluteRect(const Control* control, Rect& result);
// The cursor relative to the control's own top-left corner. False when the
// control is not live, has no window, or the window cannot read the cursor.
bool cursorPosition(const Control* control, Point& result);
// The input step every control's mouse handling starts with: the pointer of a
// mouse event relative to the control's own top-left corner. `lparam` is the
// event's, as the window message carries it: the position in client
// coordinates, x in the low and y in the high 16 bits, each signed (left of
// or above the client area while the mouse is captured). False when the
// control is not live.
bool pointerInControl(const Control* control, std::intptr_t lparam, Point& result);
// Marks the control's area (clipped to the client area) for repainting and
// sends (synchronous) or posts the window's repaint message. Nothing is
// painted here.
void invalidate(const Control* control, bool synchronous);

}  // namespace dui
