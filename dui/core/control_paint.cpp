// Painting a control tree: each control through its style, each child
// clipped to its own rectangle.
#include "dui/core/dc_clip.h"
#include "dui/core/panel.h"
#include "dui/core/style.h"
#include "dui/core/style_lookup.h"

namespace dui {

void Control::draw(HDC dc, const Rect& drawRect, const Rect&) {
  const std::wstring* name = findString(names::style);
  if (!name) return;
  if (Style* style = findStyle(*name)) style->draw(dc, drawRect, this);
}

void Panel::draw(HDC dc, const Rect& drawRect, const Rect& clip) {
  Control::draw(dc, drawRect, clip);
  for (Control* child = first_; child; child = child->next()) {
    if (!child->hasFlag(flags::Visible) || child->hasFlag(flags::Collapsed)) continue;
    const Rect childRect = child->rect().offset(drawRect.left, drawRect.top);
    const Rect area = intersect(childRect, clip);
    if (area.empty()) continue;
    // Narrows the current clip (the parent's area) to the child's part of it.
    ScopedClip clipped(dc, area);
    if (clipped.ok()) child->draw(dc, childRect, area);
  }
}

}  // namespace dui
