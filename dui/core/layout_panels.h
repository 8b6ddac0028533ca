// The layout panels of the markup: Grid, StackPanel, DockPanel and Canvas.
// They differ from Panel only in how they measure and arrange their children.
#pragma once

#include "dui/core/panel.h"

namespace dui {

// Overlay: every child gets the whole area and places itself by its own
// alignment and margin; measures as the largest child.
class Grid : public Panel {
 public:
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;
};

// Children one after another along "orientation" ("horizontal"; anything else
// is vertical), measured unbounded in that direction.
class StackPanel : public Panel {
 public:
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;
};

// Children docked to the edge named by their "dock" ("left" when absent); the
// last child fills what remains.
class DockPanel : public Panel {
 public:
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;
};

// Children at their "x", "y" (negative counts from the far edge), at their
// desired size; measures as 0 x 0.
class Canvas : public Panel {
 public:
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;
};

}  // namespace dui
