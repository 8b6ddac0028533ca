// Scroll panel: policies, measure and arrange with rebuilt bars, the
// viewport and offsets, and the plain panel's bar, wheel and key scrolling.
#include "dui/controls/scroll_panel.h"

#include <windowsx.h>

#include <algorithm>

#include "dui/controls/list_skin_sizes.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/window_access.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout.h"
#include "dui/core/style_lookup.h"

namespace dui {
namespace {

enum class Policy { Auto, Always, Never };

Policy policyOf(const Control& c, AttrKey key, Policy fallback) {
  AttrKey value = nullptr;
  if (!c.getEnum(key, value)) return fallback;
  if (value == names::kwAuto) return Policy::Auto;
  if (value == names::kwAlways) return Policy::Always;
  if (value == names::kwNever) return Policy::Never;
  return fallback;
}

}  // namespace

ScrollPanel::ScrollPanel() {
  addHandler(events::PrevLButtonDown, this, &ScrollPanel::onPrevLButtonDown);
  addHandler(events::MouseWheel, this, &ScrollPanel::onMouseWheel);
  addHandler(events::KeyDown, this, &ScrollPanel::onKeyDown);
}

ScrollPanel::~ScrollPanel() = default;  // the bars are children: Panel destroys them

void ScrollPanel::removePlainHandlers() {
  removeHandler(events::PrevLButtonDown, this, &ScrollPanel::onPrevLButtonDown);
  removeHandler(events::MouseWheel, this, &ScrollPanel::onMouseWheel);
  removeHandler(events::KeyDown, this, &ScrollPanel::onKeyDown);
}

ScrollBar* ScrollPanel::createScrollBar() {
  auto* bar = new ScrollBar;
  bar->addHandler(events::Notify, this, &ScrollPanel::onBarNotify);
  return bar;
}

bool ScrollPanel::childArea(const Control& child, Rect& area) const {
  if (!Panel::childArea(child, area)) return false;
  if (&child == content()) area = intersect(area, viewport_);
  return true;
}

std::int32_t ScrollPanel::verticalBarWidth() { return barSkinSize(kVerticalScrollBarStyle).width; }

std::int32_t ScrollPanel::horizontalBarHeight() { return horizontalBarThickness(); }

Control* ScrollPanel::content() const {
  for (Control* c = firstChild(); c; c = c->next())
    if (c != vertical_ && c != horizontal_) return c;
  return nullptr;
}

std::int32_t ScrollPanel::verticalPosition() const { return verticalShown_ && vertical_ ? vertical_->position() : 0; }

ScrollBar* ScrollPanel::makeBar(bool verticalBar) {
  ScrollBar* bar = createScrollBar();
  if (!bar) return nullptr;
  bar->setVertical(verticalBar);
  if (!addChild(bar)) {
    delete bar;
    return nullptr;
  }
  return bar;
}

Size ScrollPanel::measureOverride(std::int32_t width, std::int32_t height) {
  const Policy vPolicy = policyOf(*this, names::scrollvertical, Policy::Auto);
  const Policy hPolicy = policyOf(*this, names::scrollhorizontal, Policy::Never);
  const std::int32_t barWidth = verticalBarWidth();
  const std::int32_t barHeight = horizontalBarHeight();
  bool needV = vPolicy == Policy::Always;
  bool needH = hPolicy == Policy::Always;
  std::int32_t availW = width - (needV ? barWidth : 0);
  std::int32_t availH = height - (needH ? barHeight : 0);
  Control* c = content();
  Size desired;
  auto measureContent = [&] {
    if (c)
      desired = measure(c, hPolicy == Policy::Never ? std::max(availW, 0) : kUnboundedSize,
                        vPolicy == Policy::Never ? std::max(availH, 0) : kUnboundedSize);
  };
  measureContent();
  if (vPolicy == Policy::Auto && desired.height > availH) {
    needV = true;
    availW -= barWidth;
    measureContent();
  }
  if (hPolicy == Policy::Auto && desired.width > availW) {
    needH = true;
    availH -= barHeight;
    if (vPolicy == Policy::Auto && !needV && desired.height > availH) {
      needV = true;
      availW -= barWidth;
      measureContent();
    }
  }
  verticalShown_ = needV;
  horizontalShown_ = needH;
  if (needV && !vertical_) vertical_ = makeBar(true);
  if (needH && !horizontal_) horizontal_ = makeBar(false);
  if (!vertical_) verticalShown_ = false;
  if (!horizontal_) horizontalShown_ = false;
  // The keys scroll vertically: worth a stop only while that bar shows.
  if (tabStopFollowsBars_) setFlag(flags::TabStop, verticalShown_ || horizontalShown_);
  return Size{std::min(width, clampToInt32(std::int64_t{desired.width} + (needV ? barWidth : 0))),
              std::min(height, clampToInt32(std::int64_t{desired.height} + (needH ? barHeight : 0)))};
}

void ScrollPanel::dropBars(std::int32_t& verticalPosition, std::int32_t& horizontalPosition) {
  verticalPosition = vertical_ ? vertical_->position() : 0;
  horizontalPosition = horizontal_ ? horizontal_->position() : 0;
  for (ScrollBar** slot : {&vertical_, &horizontal_}) {
    ScrollBar* bar = *slot;
    *slot = nullptr;
    if (!bar) continue;
    removeChild(bar);  // the window forgets it: capture, hover, focus
    delete bar;
  }
  verticalShown_ = horizontalShown_ = false;
}

Size ScrollPanel::arrangeOverride(std::int32_t width, std::int32_t height) {
  std::int32_t vPosition = 0, hPosition = 0;
  dropBars(vPosition, hPosition);
  measureOverride(width, height);
  const std::int32_t viewW = std::max(width - (verticalShown_ ? verticalBarWidth() : 0), 0);
  const std::int32_t viewH = std::max(height - (horizontalShown_ ? horizontalBarHeight() : 0), 0);
  if (verticalShown_) arrange(vertical_, viewW, 0, width, viewH);
  if (horizontalShown_) arrange(horizontal_, 0, viewH, viewW, height);
  viewport_ = Rect{0, 0, viewW, viewH};
  std::int32_t totalW = viewW, totalH = viewH;
  if (Control* c = content()) {
    totalW = std::max(c->desiredSize().width, viewW);
    totalH = std::max(c->desiredSize().height, viewH);
    arrange(c, 0, 0, totalW, totalH);
    contentRect_ = c->rect();
  }
  if (verticalShown_) {
    vertical_->setExtents(totalH, viewH);
    vertical_->ensurePosition(vPosition);
  }
  if (horizontalShown_) {
    horizontal_->setExtents(totalW, viewW);
    horizontal_->ensurePosition(hPosition);
  }
  return Size{width, height};
}

void ScrollPanel::placeContent() {
  Control* c = content();
  if (!c) return;
  const std::int32_t dx = horizontalShown_ && horizontal_ ? horizontal_->position() : 0;
  const std::int32_t dy = verticalShown_ && vertical_ ? vertical_->position() : 0;
  c->setRect(contentRect_.offset(viewport_.left - dx, viewport_.top - dy));
  invalidate(this, false);
}

void ScrollPanel::setVerticalOffset(std::int32_t position) {
  if (!verticalShown_ || !vertical_ || !content()) return;
  vertical_->ensurePosition(position);
  placeContent();
}

void ScrollPanel::setHorizontalOffset(std::int32_t position) {
  if (!horizontalShown_ || !horizontal_ || !content()) return;
  horizontal_->ensurePosition(position);
  placeContent();
}

void ScrollPanel::scrollBy(std::int32_t delta) {
  if (ScrollBar* bar = verticalBar()) bar->ensurePosition(clampToInt32(std::int64_t{bar->position()} + delta));
}

namespace {

// Moves `bar` the least distance that shows the span [first, last) of a view
// `view` long; a span longer than the view shows its start.
void bringSpanIntoView(ScrollBar* bar, std::int32_t first, std::int32_t last, std::int32_t view) {
  if (!bar) return;
  const std::int32_t position = bar->position();
  if (first < position || last - first > view) bar->ensurePosition(first);
  else if (last > position + view) bar->ensurePosition(last - view);
}

}  // namespace

void ScrollPanel::scrollIntoView(std::int32_t top, std::int32_t bottom) {
  bringSpanIntoView(verticalBar(), top, bottom, viewport_.height());
}

void ScrollPanel::scrollIntoViewAcross(std::int32_t left, std::int32_t right) {
  bringSpanIntoView(horizontalBar(), left, right, viewport_.width());
}

void ScrollPanel::revealDescendant(const Control& descendant) {
  Control* shown = content();
  if (!shown) return;
  bool inside = false;
  for (const Control* c = &descendant; c && !inside; c = c->parent()) inside = c == shown;
  Rect target, origin;
  if (!inside || !absoluteRect(&descendant, target) || !absoluteRect(shown, origin)) return;
  // The content's rectangle moves as it scrolls: the span is taken relative
  // to it, before either bar moves.
  const Rect span = target.offset(-origin.left, -origin.top);
  scrollIntoView(span.top, span.bottom);
  scrollIntoViewAcross(span.left, span.right);
}

void ScrollPanel::takeFocus() { takeKeyboardFocus(this); }

void ScrollPanel::postCursorMove() { postPointerMove(this); }

// --- The plain panel's input

void ScrollPanel::onBarNotify(Control* sender, Event& e) {
  auto* bar = dynamic_cast<ScrollBar*>(sender);
  if (!bar) return;
  const std::int32_t page = bar->vertical() ? viewport_.height() : viewport_.width();
  const std::int64_t p = bar->position();
  std::int64_t next = p;
  switch (e.wparam) {
    case scroll_actions::LineBack: next = p - kLineStep; break;
    case scroll_actions::LineForward: next = p + kLineStep; break;
    case scroll_actions::PageBack: next = p - page; break;
    case scroll_actions::PageForward: next = p + page; break;
    case scroll_actions::ThumbDrag: next = e.lparam; break;
    default: return;
  }
  bar->ensurePosition(clampToInt32(next));
}

void ScrollPanel::onPrevLButtonDown(Control*, Event&) { takeFocus(); }

void ScrollPanel::onMouseWheel(Control*, Event& e) {
  if (!verticalBar()) return;
  scrollBy(-wheel_.take(GET_WHEEL_DELTA_WPARAM(e.wparam), kWheelStep));
  e.handled = 1;
  postCursorMove();
}

void ScrollPanel::onKeyDown(Control*, Event& e) {
  ScrollBar* down = verticalBar();
  ScrollBar* across = horizontalBar();
  // Home and End go to the ends of the vertical bar, else of the horizontal.
  ScrollBar* ends = down ? down : across;
  switch (e.wparam) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!down) return;
      const std::int32_t page = viewport_.height();
      const std::int32_t step = e.wparam == VK_UP || e.wparam == VK_DOWN ? kLineStep : page;
      scrollBy(e.wparam == VK_UP || e.wparam == VK_PRIOR ? -step : step);
      break;
    }
    case VK_LEFT:
    case VK_RIGHT:
      if (!across) return;
      across->ensurePosition(
          clampToInt32(std::int64_t{across->position()} + (e.wparam == VK_LEFT ? -kLineStep : kLineStep)));
      break;
    case VK_HOME:
      if (!ends) return;
      ends->ensurePosition(0);
      break;
    case VK_END:
      if (!ends) return;
      ends->ensurePosition(ends->total());
      break;
    default:
      return;
  }
  e.handled = 1;
}

}  // namespace dui
