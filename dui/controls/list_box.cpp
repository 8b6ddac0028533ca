// List box: the item stack, selection, scrolling by whole items, the wheel
// and the Up and Down keys.
#include "dui/controls/list_box.h"

#include <windows.h>

#include <algorithm>

#include "dui/controls/scroll_bar.h"
#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"

namespace dui {

ListBox::ListBox() {
  removePlainHandlers();
  setTabStopFollowsBars(false);
  setFlag(flags::TabStop, true);
  stack_ = new StackPanel;
  addChild(stack_);
  addHandler(events::PrevLButtonDown, this, &ListBox::onPrevLButtonDown);
  addHandler(events::LButtonDown, this, &ListBox::onLButtonDown);
  addHandler(events::MouseWheel, this, &ListBox::onMouseWheel);
  addHandler(events::KeyDown, this, &ListBox::onKeyDown);
}

ScrollBar* ListBox::createScrollBar() {
  auto* bar = new ScrollBar;
  bar->addHandler(events::Notify, this, &ListBox::onBarNotify);
  return bar;
}

bool ListBox::addItem(Control* item) {
  if (!item) return false;
  std::int32_t height = 0;
  if (!item->getInt(names::height, height) && itemHeight() > 0) item->setInt(names::height, itemHeight());
  // The list is the tab stop; an item's text is data, never an access key.
  item->setFlag(flags::TabStop, false);
  item->setFlag(flags::LiteralText, true);
  return stack_->addChild(item);
}

std::int32_t ListBox::itemCount() const { return stack_->childCount(); }

Control* ListBox::itemAt(std::int32_t index) const { return stack_->childAt(index); }

std::int32_t ListBox::itemHeight() const { return intOr(names::itemHeight, 0); }

bool ListBox::isItem(const Control* c) const { return c && c->parent() == stack_; }

Control* ListBox::selectedItem() const {
  return selected_ && controlExists(selected_, selectedSerial_) && isItem(selected_) ? selected_ : nullptr;
}

std::wstring ListBox::selectedText() const {
  const Control* item = selectedItem();
  return item ? item->getText() : std::wstring();
}

bool ListBox::select(Control* item) {
  if (item && !isItem(item)) return false;
  Control* old = selectedItem();
  if (old == item) return true;
  if (old) {
    old->setFlag(flags::Checked, false);
    invalidate(old, false);
  }
  selected_ = item;
  selectedSerial_ = item ? item->serial() : 0;
  if (item) {
    item->setFlag(flags::Checked, true);
    scrollItemIntoView(item);
    invalidate(item, false);
  }
  return true;
}

bool ListBox::selectText(const std::wstring& text) {
  for (Control* c = stack_->firstChild(); c; c = c->next()) {
    if (c->getText() == text) return select(c);
  }
  return false;
}

void ListBox::scrollItemIntoView(Control* item) {
  ScrollBar* bar = verticalBar();
  if (!bar || !isItem(item)) return;
  // Item rectangles are relative to the stack, which is moved by the
  // position: in content coordinates the item starts here.
  const std::int32_t position = bar->position();
  const std::int32_t scrolledTop = stack_->rect().top - viewport().top + position + item->rect().top;
  const std::int32_t bottom = scrolledTop + item->rect().height();
  const std::int32_t h = itemHeight();
  const std::int32_t view = viewport().height();
  if (scrolledTop < position) {
    bar->ensurePosition(scrolledTop);
  } else if (bottom > position + view) {
    bar->ensurePosition(h > 0 ? bottom - h * (view / h) : bottom - view);
  }
}

bool ListBox::chooseByUser(Control* item) {
  if (!item || item == selectedItem()) return false;
  select(item);
  announceChange(item, AccessibleChange::Selection);
  announceChange(this, AccessibleChange::Value);
  Event e = makeEvent(events::ValueChange);
  raiseEvent(this, e);
  return true;
}

Control* ListBox::itemAtPoint(std::intptr_t lparam) const {
  Point p;   // in the item stack, where the items' rectangles are
  if (!pointerInControl(stack_, lparam, p)) return nullptr;
  for (Control* c = stack_->firstChild(); c; c = c->next()) {
    if (c->hasFlag(flags::Visible) && !c->hasFlag(flags::Collapsed) && c->rect().contains(p.x, p.y)) return c;
  }
  return nullptr;
}

// --- Input

void ListBox::onBarNotify(Control* sender, Event& e) {
  auto* bar = dynamic_cast<ScrollBar*>(sender);
  if (!bar) return;
  std::int64_t h = itemHeight();
  const std::int64_t view = bar->vertical() ? viewport().height() : viewport().width();
  if (h <= 0) h = kLineStep;  // no item height: plain lines
  const std::int64_t p = bar->position();
  std::int64_t next = p;
  switch (e.wparam) {
    case scroll_actions::LineBack: next = p - h; break;
    case scroll_actions::LineForward: next = p + h; break;
    case scroll_actions::PageBack: next = p - h * (view / h); break;
    case scroll_actions::PageForward: next = p + h * (view / h); break;
    case scroll_actions::ThumbDrag: next = h * (std::int64_t{e.lparam} / h); break;
    default: return;
  }
  bar->ensurePosition(clampToInt32(next));
}

void ListBox::onPrevLButtonDown(Control*, Event&) {
  if (takesFocus_) takeFocus();
}

void ListBox::onLButtonDown(Control*, Event& e) {
  // A press on a scroll bar never arrives: the bar marks it handled.
  Control* item = itemAtPoint(e.lparam);
  if (takesFocus_) takeFocus();  // an item that clears the focus on a press gives it back
  if (!item) return;
  const std::uint32_t serial = this->serial();
  chooseByUser(item);
  if (!controlExists(this, serial)) return;  // a ValueChange handler destroyed the list
  Event chosen = makeEvent(events::Notify, kItemChosen, 0);
  raiseEvent(this, chosen);
}

void ListBox::onMouseWheel(Control*, Event& e) {
  ScrollBar* bar = verticalBar();
  if (!bar) return;
  const std::int32_t delta = GET_WHEEL_DELTA_WPARAM(e.wparam);
  const std::int32_t h = itemHeight();
  // Two items a notch (whole items only), or kWheelStep pixels without an item height.
  const std::int64_t step = h > 0 ? std::int64_t{h} * wheel_.take(delta, 2) : wheel_.take(delta, kWheelStep);
  bar->ensurePosition(clampToInt32(bar->position() - step));
  e.handled = 1;
  postCursorMove();
}

// The item `steps` shown items away from `from` (towards the end when
// positive), stopping at the last shown one on the way.
Control* ListBox::shownItemFrom(Control* from, std::int32_t steps) const {
  Control* at = from;
  for (Control* c = from; c && steps != 0;) {
    c = steps > 0 ? c->next() : c->previous();
    if (!c) break;
    if (!c->hasFlag(flags::Visible) || c->hasFlag(flags::Collapsed)) continue;
    at = c;
    steps += steps > 0 ? -1 : 1;
  }
  return at;
}

Control* ListBox::edgeItem(bool first) const {
  for (Control* c = first ? stack_->firstChild() : stack_->lastChild(); c; c = first ? c->next() : c->previous())
    if (c->hasFlag(flags::Visible) && !c->hasFlag(flags::Collapsed)) return c;
  return nullptr;
}

void ListBox::onKeyDown(Control*, Event& e) {
  Control* first = edgeItem(true);
  Control* old = selectedItem();
  const std::int32_t h = itemHeight();
  const std::int32_t page = std::max(h > 0 ? viewport().height() / h : 1, 1);
  Control* next = nullptr;
  switch (e.wparam) {
    case VK_UP: next = old ? shownItemFrom(old, -1) : nullptr; break;
    case VK_DOWN: next = old ? shownItemFrom(old, 1) : first; break;
    case VK_PRIOR: next = old ? shownItemFrom(old, -page) : first; break;
    case VK_NEXT: next = old ? shownItemFrom(old, page) : first; break;
    case VK_HOME: next = first; break;
    case VK_END: next = edgeItem(false); break;
    default: return;
  }
  e.handled = 1;
  if (next) chooseByUser(next);
}

}  // namespace dui
