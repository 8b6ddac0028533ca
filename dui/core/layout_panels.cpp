// Measure and arrange overrides of Grid, StackPanel, DockPanel and Canvas.
#include "dui/core/layout_panels.h"

#include <algorithm>
#include <cstdint>

#include "dui/core/attribute_names.h"
#include "dui/core/layout.h"

namespace dui {
namespace {

using std::int64_t;

bool horizontal(const Control* panel) {
  AttrKey value;
  return panel->getEnum(names::orientation, value) && value == names::kwHorizontal;
}

enum class Dock { Left, Top, Right, Bottom, Other };

Dock dockOf(const Control* child) {
  AttrKey value;
  if (!child->getEnum(names::dock, value) || value == names::kwLeft) return Dock::Left;
  if (value == names::kwTop) return Dock::Top;
  if (value == names::kwRight) return Dock::Right;
  if (value == names::kwBottom) return Dock::Bottom;
  return Dock::Other;
}

}  // namespace

Size Grid::measureOverride(std::int32_t width, std::int32_t height) {
  Size largest;
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = measure(c, width, height);
    largest.width = std::max(largest.width, d.width);
    largest.height = std::max(largest.height, d.height);
  }
  return largest;
}

Size Grid::arrangeOverride(std::int32_t width, std::int32_t height) {
  for (Control* c = firstChild(); c; c = c->next()) arrange(c, 0, 0, width, height);
  return Size{width, height};
}

Size StackPanel::measureOverride(std::int32_t width, std::int32_t height) {
  int64_t along = 0;
  std::int32_t across = 0;
  const bool h = horizontal(this);
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = h ? measure(c, kUnboundedSize, height) : measure(c, width, kUnboundedSize);
    along += h ? d.width : d.height;
    across = std::max(across, h ? d.height : d.width);
  }
  return h ? Size{clampToInt32(along), across} : Size{across, clampToInt32(along)};
}

Size StackPanel::arrangeOverride(std::int32_t width, std::int32_t height) {
  int64_t offset = 0;
  const bool h = horizontal(this);
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = c->desiredSize();
    if (h) {
      arrange(c, clampToInt32(offset), 0, clampToInt32(offset + d.width), height);
      offset += d.width;
    } else {
      arrange(c, 0, clampToInt32(offset), width, clampToInt32(offset + d.height));
      offset += d.height;
    }
  }
  return Size{width, height};
}

Size DockPanel::measureOverride(std::int32_t width, std::int32_t height) {
  int64_t usedW = 0, usedH = 0, maxW = 0, maxH = 0;
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = measure(c, clampToInt32(std::max<int64_t>(width - usedW, 0)),
                           clampToInt32(std::max<int64_t>(height - usedH, 0)));
    switch (dockOf(c)) {
      case Dock::Left:
      case Dock::Right:
        maxH = std::max(maxH, usedH + d.height);
        usedW += d.width;
        break;
      case Dock::Top:
      case Dock::Bottom:
        maxW = std::max(maxW, usedW + d.width);
        usedH += d.height;
        break;
      case Dock::Other:
        break;
    }
  }
  return Size{clampToInt32(std::max(usedW, maxW)), clampToInt32(std::max(usedH, maxH))};
}

Size DockPanel::arrangeOverride(std::int32_t width, std::int32_t height) {
  int64_t l = 0, t = 0, r = 0, b = 0;  // space taken from each edge
  const int64_t w = width, h = height;
  for (Control* c = firstChild(); c; c = c->next()) {
    const int64_t cw = c->desiredSize().width, ch = c->desiredSize().height;
    int64_t sl = l, st = t, sr = w - r, sb = h - b;  // the remaining area
    if (c != lastChild()) {
      switch (dockOf(c)) {
        case Dock::Left:
          sr = l + cw;
          l += cw;
          break;
        case Dock::Top:
          sb = t + ch;
          t += ch;
          break;
        case Dock::Right:
          r += cw;
          sl = std::max(l, w - r);
          sr = sl + cw;
          break;
        case Dock::Bottom:
        case Dock::Other:
          b += ch;
          st = std::max(t, h - b);
          sb = st + ch;
          break;
      }
    }
    arrange(c, clampToInt32(sl), clampToInt32(st), clampToInt32(sr), clampToInt32(sb));
  }
  return Size{width, height};
}

Size Canvas::measureOverride(std::int32_t, std::int32_t) {
  for (Control* c = firstChild(); c; c = c->next()) measure(c, kUnboundedSize, kUnboundedSize);
  return Size{0, 0};
}

Size Canvas::arrangeOverride(std::int32_t width, std::int32_t height) {
  for (Control* c = firstChild(); c; c = c->next()) {
    int64_t x = c->intOr(names::x, 0);
    int64_t y = c->intOr(names::y, 0);
    if (x < 0) x += width;
    if (y < 0) y += height;
    arrange(c, clampToInt32(x), clampToInt32(y), clampToInt32(x + c->desiredSize().width),
            clampToInt32(y + c->desiredSize().height));
  }
  return Size{width, height};
}

}  // namespace dui
