// Where a control is in its window: absolute rectangle, cursor position, and
// invalidation. All fail or do nothing for a control that is not live.
#pragma once

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
// Marks the control's area (clipped to the client area) for repainting and
// sends (synchronous) or posts the window's repaint message. Nothing is
// painted here.
void invalidate(const Control* control, bool synchronous);

}  // namespace dui
