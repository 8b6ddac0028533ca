// Tab selection, the header strip and page layout, the slide of a new page,
// and the headers that own the pages.
#include "dui/controls/tab_control.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "dui/controls/window_access.h"
#include "dui/core/accessible_change.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/host_window.h"

#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/dc_clip.h"
#include "dui/core/layout.h"

namespace dui {
namespace {

constexpr int kSlideSteps = 10;
constexpr std::int64_t kSlideStepMicroseconds = 10000;

std::int32_t stripThickness(const Control& control) { return std::max(control.intOr(names::tabHeight, 0), 0); }

std::int32_t indexOf(const Panel& panel, const Control* child) {
  std::int32_t index = 0;
  for (Control* c = panel.firstChild(); c; c = c->next(), ++index)
    if (c == child) return index;
  return -1;
}

// Paints a visible, not collapsed control whose rectangle is relative to
// (originX, originY), clipped to its own part of the clip.
void drawPart(HDC dc, Control* control, std::int32_t originX, std::int32_t originY, const Rect& clip) {
  if (!control->hasFlag(flags::Visible) || control->hasFlag(flags::Collapsed)) return;
  const Rect at = control->rect().offset(originX, originY);
  const Rect area = intersect(at, clip);
  if (area.empty()) return;
  ScopedClip clipped(dc, area);
  if (clipped.ok()) control->draw(dc, at, area);
}

// Microseconds on the performance counter since `start`.
std::int64_t microsecondsSince(const LARGE_INTEGER& start, const LARGE_INTEGER& frequency) {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

}  // namespace

// --- TabControl

bool TabControl::placedLeft() const {
  AttrKey placement = nullptr;
  return getEnum(names::tabPlacement, placement) && placement == names::kwLeft;
}

TabItem* TabControl::selected() const {
  if (!selected_ || !controlExists(selected_, selectedSerial_) || selected_->parent() != this) return nullptr;
  return selected_;
}

void TabControl::select(TabItem* item) {
  if (!item || item->parent() != this) return;
  TabItem* old = selected();
  if (old == item) return;
  const std::uint32_t mySerial = serial();
  const std::uint32_t itemSerial = item->serial();
  std::int32_t oldIndex = -1;
  bool focusFollows = false;
  if (old) {
    oldIndex = indexOf(*this, old);
    focusFollows = old->hasFlag(flags::Focused);
    old->setFlag(flags::TabStop, false);
    old->setFlag(flags::Checked, false);
    Event changed = makeEvent(events::ValueChange);
    changed.routing = Routing::Direct;
    raiseEvent(old, changed);
    invalidate(old, true);
  }
  // A ValueChange handler may have destroyed either control.
  if (!controlExists(this, mySerial) || !controlExists(item, itemSerial) || item->parent() != this) return;
  selected_ = item;
  selectedSerial_ = itemSerial;
  item->setFlag(flags::Checked | flags::TabStop, true);
  if (focusFollows) takeKeyboardFocus(item);
  if (!controlExists(this, mySerial) || selected() != item) return;
  announceChange(item, AccessibleChange::Selection);
  if (HostWindow* host = window(); host && item->content()) host->controlShown(item->content());
  Event changed = makeEvent(events::ValueChange);
  changed.routing = Routing::Direct;
  raiseEvent(this, changed);
  if (!controlExists(this, mySerial) || selected() != item) return;

  if (old && !placedLeft() && item->content())
    slideIn(item->content(), indexOf(*this, item) > oldIndex);
  if (controlExists(this, mySerial)) invalidate(this, false);
}

// Ten placements of the page, each painted at once and held for 10 ms on the
// performance counter, then the page gets exactly the slot. The thread is
// busy for the whole slide, as nothing else may run between the steps.
void TabControl::slideIn(Control* page, bool fromRight) {
  if (!isLive(this) || slot_.empty()) {
    page->setRect(slot_);
    return;
  }
  LARGE_INTEGER frequency;
  if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) frequency.QuadPart = 0;
  const std::uint32_t mySerial = serial();
  const std::uint32_t pageSerial = page->serial();
  const std::int32_t w = slot_.width();
  for (int step = 0; step < kSlideSteps; ++step) {
    LARGE_INTEGER start{};
    if (frequency.QuadPart) ::QueryPerformanceCounter(&start);
    Rect r = page->rect();
    if (fromRight) {
      const int n = kSlideSteps - step;   // 10 .. 1
      r.left = slot_.left + n * w / kSlideSteps;
      r.right = slot_.left + w + n * w / kSlideSteps;
    } else {
      r.left = slot_.left + w * step / kSlideSteps - w;
      r.right = slot_.left + w * step / kSlideSteps;
    }
    page->setRect(r);
    invalidate(this, true);
    // A paint ran script-free code only, yet stay safe if the tree changed.
    if (!controlExists(this, mySerial) || !controlExists(page, pageSerial)) return;
    if (frequency.QuadPart)
      while (microsecondsSince(start, frequency) < kSlideStepMicroseconds) {
      }
  }
  page->setRect(slot_);
}

Control* TabControl::shownUnlistedChild() const {
  TabItem* item = selected();
  return item ? item->content() : nullptr;
}

Size TabControl::measureOverride(std::int32_t width, std::int32_t height) {
  const std::int32_t thickness = stripThickness(*this);
  const bool left = placedLeft();
  std::int64_t along = 0;
  std::int32_t pageAlong = 0, pageAcross = 0;
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = left ? measure(c, thickness, height) : measure(c, width, thickness);
    along += left ? d.height : d.width;
    if (TabItem* item = dynamic_cast<TabItem*>(c))
      if (Control* page = item->content()) {
        const Size p = left ? measure(page, std::max(width - thickness, 0), height)
                            : measure(page, width, std::max(height - thickness, 0));
        pageAlong = std::max(pageAlong, left ? p.height : p.width);
        pageAcross = std::max(pageAcross, left ? p.width : p.height);
      }
  }
  const std::int32_t stripAlong = std::max(clampToInt32(along), pageAlong);
  const std::int32_t across = clampToInt32(std::int64_t{pageAcross} + thickness);
  return left ? Size{across, stripAlong} : Size{stripAlong, across};
}

Size TabControl::arrangeOverride(std::int32_t width, std::int32_t height) {
  const std::int32_t thickness = stripThickness(*this);
  const bool left = placedLeft();
  if (left) {
    strip_ = Rect{0, 0, std::min(thickness, width), height};
    slot_ = Rect{strip_.right, 0, width, height};
  } else {
    strip_ = Rect{0, 0, width, std::min(thickness, height)};
    slot_ = Rect{0, strip_.bottom, width, height};
  }
  std::int64_t offset = 0;
  for (Control* c = firstChild(); c; c = c->next()) {
    const Size d = c->desiredSize();
    if (left) {
      arrange(c, 0, clampToInt32(offset), strip_.right, clampToInt32(offset + d.height));
      offset += d.height;
    } else {
      arrange(c, clampToInt32(offset), 0, clampToInt32(offset + d.width), strip_.bottom);
      offset += d.width;
    }
    if (TabItem* item = dynamic_cast<TabItem*>(c))
      if (Control* page = item->content()) arrange(page, slot_);
  }
  if (!selected()) {
    for (Control* c = firstChild(); c; c = c->next())
      if (TabItem* item = dynamic_cast<TabItem*>(c)) {
        select(item);
        break;
      }
  }
  return Size{width, height};
}

void TabControl::draw(HDC dc, const Rect& drawRect, const Rect& clip) {
  const Rect strip = intersect(strip_.offset(drawRect.left, drawRect.top), clip);
  if (!strip.empty()) {
    ScopedClip clipped(dc, strip);
    if (clipped.ok()) Control::draw(dc, strip_.offset(drawRect.left, drawRect.top), strip);
  }
  for (Control* c = firstChild(); c; c = c->next()) drawPart(dc, c, drawRect.left, drawRect.top, clip);
  if (TabItem* item = selected())
    if (Control* page = item->content()) drawPart(dc, page, drawRect.left, drawRect.top, clip);
}

bool TabControl::childArea(const Control& child, Rect& area) const {
  if (!Panel::childArea(child, area)) return false;
  const TabItem* header = dynamic_cast<const TabItem*>(&child);
  if (header && header->parent() == this) return true;   // a header
  const TabItem* item = selected();
  return item && item->content() == &child;             // only the selected page
}

Control* TabControl::hitTest(std::int32_t x, std::int32_t y) {
  if (!Control::hitTest(x, y)) return nullptr;
  x -= rect().left;
  y -= rect().top;
  for (Control* c = lastChild(); c; c = c->previous())
    if (Control* hit = c->hitTest(x, y)) return hit;
  if (TabItem* item = selected())
    if (Control* page = item->content())
      if (Control* hit = page->hitTest(x, y)) return hit;
  return this;
}

// --- TabItem

TabItem::TabItem() {
  clicksOnEnter_ = false;
  setFlag(flags::CaptureOnPress | flags::TabStop, false);
  setFlag(TabFlag, true);
  addHandler(events::LButtonDown, this, &TabItem::onLButtonDown);
  addHandler(events::Click, this, &TabItem::onClick);
  addHandler(events::KeyDown, this, &TabItem::onKeyDown);
  addHandler(events::Attached, this, &TabItem::onAttached);
  addHandler(events::Detached, this, &TabItem::onDetached);
}

TabItem::~TabItem() {
  // The page goes first: it hangs under the parent, which it never leaves
  // through a child list.
  content_.reset();
}

void TabItem::setContent(Control* content) {
  if (content_ && isLive(content_.get())) detachControl(content_.get());
  content_.reset(content);
  if (content_ && isLive(this)) hangContent();
}

bool TabItem::adoptMarkupChild(Control* child) {
  if (markupContentOffered_) return false;
  markupContentOffered_ = true;
  if (!child) return false;
  setContent(child);
  return true;
}

void TabItem::hangContent() {
  Control* owner = parent();
  if (!content_ || !owner) return;
  setUnlistedParent(content_.get(), owner);
  attachControl(content_.get());
}

void TabItem::onLButtonDown(Control*, Event& e) {
  if (!isChecked())
    if (auto* tabs = dynamic_cast<TabControl*>(parent())) tabs->select(this);
  e.handled = 1;
}

void TabItem::onClick(Control* sender, Event&) {
  if (sender != this || isChecked()) return;
  if (auto* tabs = dynamic_cast<TabControl*>(parent())) tabs->select(this);
}

void TabItem::onKeyDown(Control* sender, Event& e) {
  auto* tabs = dynamic_cast<TabControl*>(parent());
  if (sender != this || !tabs) return;
  // The usable headers of the strip, in order.
  std::vector<TabItem*> headers;
  for (Control* c = tabs->firstChild(); c; c = c->next())
    if (auto* header = dynamic_cast<TabItem*>(c); header && isUsable(header)) headers.push_back(header);
  const auto at = std::find(headers.begin(), headers.end(), this);
  if (at == headers.end()) return;
  const std::size_t index = static_cast<std::size_t>(at - headers.begin());
  std::size_t to = index;
  switch (e.wparam) {
    case VK_LEFT:
    case VK_UP: to = index == 0 ? index : index - 1; break;
    case VK_RIGHT:
    case VK_DOWN: to = index + 1 < headers.size() ? index + 1 : index; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = headers.size() - 1; break;
    default: return;
  }
  e.handled = 1;
  if (to == index) return;
  TabItem* next = headers[to];
  const std::uint32_t serial = next->serial();
  takeKeyboardFocus(next);
  if (controlExists(next, serial)) tabs->select(next);
}

void TabItem::onAttached(Control* sender, Event&) {
  if (sender == this) hangContent();
}

void TabItem::onDetached(Control* sender, Event&) {
  if (sender != this || !content_) return;
  detachControl(content_.get());
  setUnlistedParent(content_.get(), nullptr);
}

}  // namespace dui
