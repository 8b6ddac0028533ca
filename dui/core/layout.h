// Layout: measure and arrange with margins, sizes and alignment, and the
// root layout pass of a window. Window-free arithmetic over the control tree.
#pragma once

#include <cstdint>

#include "dui/core/geometry.h"

namespace dui {

class Control;

// The available size of the stacking direction of a StackPanel and of both
// directions inside a Canvas.
constexpr std::int32_t kUnboundedSize = 65536;
// Measured size of a root without "initSize".
constexpr std::int32_t kDefaultRootWidth = 1024;
constexpr std::int32_t kDefaultRootHeight = 768;

// Stores and returns the desired size (margin included). 0 x 0 without
// touching the control when it is not live; 0 x 0 when Collapsed or when the
// margin leaves no room. An explicit "width"/"height" (anything but -1, also
// 0 or more than is available) is used as given.
Size measure(Control* control, std::int32_t availableWidth, std::int32_t availableHeight);

// Places the control inside the slot (parent coordinates) by its margin,
// "width"/"height" and alignment, and stores its rectangle; the empty
// rectangle when it is not live, the slot is smaller than the margin, or the
// arrange override answers an empty size.
void arrange(Control* control, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom);
inline void arrange(Control* control, const Rect& slot) {
  arrange(control, slot.left, slot.top, slot.right, slot.bottom);
}

// Window creation and updateLayout: measures the root with its "initSize"
// (or 1024 x 768), arranges it at (0, 0) in the window size and returns that
// size: "initSize" when set, otherwise the root's desired size. The window
// then resizes itself to it without moving.
Size rootLayoutPass(Control* root);

// Client area resized to (width, height): when the root's rectangle does not
// end there, measure the root with that size and arrange it in (0, 0, width,
// height). Returns whether it did; the window repaints either way.
bool layoutToClient(Control* root, std::int32_t width, std::int32_t height);

// Saturating arithmetic used by the panels (sizes never wrap around).
std::int32_t clampToInt32(std::int64_t value);

}  // namespace dui
