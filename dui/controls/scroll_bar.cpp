// The scroll bar's geometry, its mouse handling with the repeat timer and the
// thumb drag, and ensurePosition.
#include "dui/controls/scroll_bar.h"

#include <algorithm>

#include "dui/controls/list_skin_sizes.h"
#include "dui/controls/scroll_panel.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/style.h"
#include "dui/core/style_lookup.h"
#include "support/debug_log.h"

namespace dui {
namespace {

using P = ScrollBarParts;

std::int32_t along(const ScrollGeometry& g, std::int32_t x, std::int32_t y) { return g.vertical ? y : x; }

}  // namespace

// --- The control

ScrollBar::ScrollBar() : timer_(this) {
  setFlag(flags::RepaintOnMouse | flags::CaptureOnPress, true);
  addHandler(events::LButtonDown, this, &ScrollBar::onLButtonDown);
  addHandler(events::MouseMove, this, &ScrollBar::onMouseMove);
  addHandler(events::LostCapture, this, &ScrollBar::onLostCapture);
  addHandler(events::MouseLeave, this, &ScrollBar::onMouseLeave);
}

ScrollBar::~ScrollBar() { timer_.stop(); }

void ScrollBar::draw(HDC dc, const Rect& drawRect, const Rect&) {
  if (Style* style = scrollBarSkin(*this, vertical_).style) style->draw(dc, drawRect, this);
}

Size ScrollBar::arrangeOverride(std::int32_t width, std::int32_t height) {
  size_ = Size{width, height};
  updateParts();
  return size_;
}

ScrollGeometry ScrollBar::geometry() const {
  ScrollGeometry g;
  g.vertical = vertical_;
  g.width = size_.width;
  g.height = size_.height;
  scrollArrowSizes(*this, vertical_, g.firstArrowSize, g.secondArrowSize);
  g.total = total_;
  g.page = page_;
  g.position = position_;
  return g;
}

void ScrollBar::updateParts() {
  const ScrollGeometry g = geometry();
  parts_.firstArrow = g.firstArrow();
  parts_.secondArrow = g.secondArrow();
  parts_.thumb = g.thumb();
}

void ScrollBar::setExtents(std::int32_t total, std::int32_t page) {
  total_ = std::max(total, 0);
  page_ = std::max(page, 0);
  updateParts();
}

void ScrollBar::ensurePosition(std::int32_t p) {
  if (!window()) {
    kavri::debugLog(L"ScrollBar::EnsurePosition UnExpected Error.\n");
    return;
  }
  const bool enabled = page_ < total_;
  if (enabled != hasFlag(flags::Enabled)) {
    setFlag(flags::Enabled, enabled);
    invalidate(this, false);
  }
  const std::int32_t next = enabled ? std::clamp(p, 0, total_ - page_) : 0;
  if (next == position_) return;
  position_ = next;
  updateParts();
  if (ScrollPanel* panel = dynamic_cast<ScrollPanel*>(parent())) {
    if (isLive(panel)) {
      if (vertical_) panel->setVerticalOffset(position_);
      else panel->setHorizontalOffset(position_);
    }
  }
  invalidate(this, false);
}

// --- Mouse

void ScrollBar::onLButtonDown(Control*, Event& e) {
  e.handled = 1;
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return;
  const ScrollGeometry g = geometry();
  const std::uint32_t part = g.hit(p.x, p.y);
  parts_.state = (parts_.state & ~std::uint32_t(P::PressedBits)) | part;
  invalidate(this, false);
  if (part == P::ThumbDragged) {
    grabOffset_ = g.thumbStart() - along(g, p.x, p.y);
  } else if (part) {
    timer_.start();  // ticks at once; the tick may destroy this bar
  }
}

void ScrollBar::onTick() {
  std::uint32_t action = 0;
  const std::uint32_t pressed = parts_.state & P::PressedBits;
  if (pressed == P::FirstArrowPressed) action = scroll_actions::LineBack;
  else if (pressed == P::SecondArrowPressed) action = scroll_actions::LineForward;
  else if (pressed == P::TrackBeforePressed || pressed == P::TrackAfterPressed) {
    Point p;
    if (!cursorPosition(this, p) || geometry().hit(p.x, p.y) != pressed) return;  // the thumb reached the pointer
    action = pressed == P::TrackBeforePressed ? scroll_actions::PageBack : scroll_actions::PageForward;
  }
  if (!action) {
    timer_.stop();
    return;
  }
  Event e = makeEvent(events::Notify, action, 0);
  raiseEvent(this, e);  // may destroy this bar, and with it the timer
}

void ScrollBar::onMouseMove(Control*, Event& e) {
  Point p;
  if (!pointerInControl(this, e.lparam, p)) return;
  const ScrollGeometry g = geometry();
  if (!hasFlag(flags::Captured)) {
    // Only the arrows and the thumb light up: the track's hit values (4096,
    // 8192) divided by 16 fall outside the hover bits and count as none.
    const std::uint32_t hover = (g.hit(p.x, p.y) / 16) & P::HoverBits;
    if (hover != (parts_.state & P::HoverBits)) {
      parts_.state = (parts_.state & ~std::uint32_t(P::HoverBits)) | hover;
      invalidate(this, false);
    }
    return;
  }
  const std::uint32_t pressed = parts_.state & P::PressedBits;
  if (pressed == P::ThumbDragged) {
    const std::int32_t requested = g.positionForThumbAt(along(g, p.x, p.y) + grabOffset_);
    Event notify = makeEvent(events::Notify, scroll_actions::ThumbDrag, requested);
    raiseEvent(this, notify);
    return;
  }
  if (!pressed) return;
  const bool over = g.hit(p.x, p.y) == pressed;
  if (over && !timer_.running()) timer_.start();
  else if (!over && timer_.running()) timer_.stop();
}

void ScrollBar::onLostCapture(Control*, Event&) {
  timer_.stop();
  parts_.state &= ~std::uint32_t(P::PressedBits);
  invalidate(this, false);
}

void ScrollBar::onMouseLeave(Control*, Event&) {
  parts_.state &= ~std::uint32_t(P::HoverBits);
  invalidate(this, false);
}

}  // namespace dui
