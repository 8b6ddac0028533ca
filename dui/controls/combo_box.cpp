// The combo box field, its items and the opening of its drop-down.
#include "dui/controls/combo_box.h"

#include <algorithm>

#include "dui/controls/combo_drop_down.h"
#include "dui/controls/list_box.h"
#include "dui/core/accessible_change.h"
#include "dui/core/control_geometry.h"
#include "dui/core/style_lookup.h"
#include "dui/core/window_impl.h"

namespace dui {

ComboBox::ComboBox() {
  setFlag(flags::RepaintOnMouse | flags::ClearsFocus | flags::TabStop | flags::LiteralText, true);
  addHandler(events::LButtonDown, this, &ComboBox::onLButtonDown);
  addHandler(events::KeyDown, this, &ComboBox::onKeyDown);
  auto* drop = new ComboHelperWnd(this);
  drop_ = drop;
  // A hidden 1 x 1 pop-up tool window; on failure create() deletes it, and
  // its destructor has cleared drop_ already.
  if (drop->create(WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 1, 1, nullptr) && drop_)
    drop_->list()->addHandler(events::Notify, this, &ComboBox::onListNotify);
}

ComboBox::~ComboBox() {
  if (ComboHelperWnd* drop = drop_) {
    drop_ = nullptr;
    drop->list()->removeHandler(events::Notify, this, &ComboBox::onListNotify);
    drop->comboDestroyed();
  }
}

void ComboBox::draw(HDC dc, const Rect& drawRect, const Rect&) {
  drawControlStyle(dc, drawRect, *this, kComboBoxStyle, BuiltInStyle::WhenNoStyleLoads);
}

ListBox* ComboBox::list() const { return drop_ ? drop_->list() : nullptr; }

bool ComboBox::addItem(Control* item) {
  ListBox* items = list();
  if (!items || !item) return false;
  return items->addItem(item);
}

std::int32_t ComboBox::itemCount() const { return list() ? list()->itemCount() : 0; }

bool ComboBox::dropped() const { return drop_ && drop_->open(); }

bool ComboBox::setChoice(const std::wstring& text) {
  setString(names::text, text);
  invalidate(this, false);
  ListBox* items = list();
  if (!items) return false;
  if (items->selectText(text)) return true;
  items->select(nullptr);
  return false;
}

RECT ComboBox::dropDownRect(const RECT& combo, std::int32_t items, const RECT& workArea, bool& below) {
  const std::int32_t rows = std::min(std::max(items, 0), kMaxRows);
  std::int32_t height = rows * kRowHeight + 4;
  const std::int32_t roomBelow = workArea.bottom - combo.bottom;
  const std::int32_t roomAbove = combo.top - workArea.top;
  below = rows * kRowHeight + 8 < roomBelow;
  if (!below && height > roomAbove) {
    // Too little room either way: the side with more, the list cut to it
    // (it scrolls).
    below = roomBelow > roomAbove;
    height = std::max(std::min(height, below ? roomBelow : roomAbove), 0);
  }
  const std::int32_t top = below ? combo.bottom : combo.top - height;
  // Sideways: as wide as the combo, pushed back into the area where the combo
  // reaches past its right or left edge.
  const std::int32_t width = combo.right - combo.left;
  std::int32_t left = combo.left;
  if (left + width > workArea.right) left = workArea.right - width;
  if (left < workArea.left) left = workArea.left;
  return RECT{left, top, left + width, top + height};
}

RECT ComboBox::workAreaAt(const RECT& screenRect) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = ::MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
  return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

void ComboBox::onLButtonDown(Control*, Event& e) {
  e.handled = 1;
  openDropDown();  // the combo may be gone when this returns
}

void ComboBox::openDropDown() {
  auto* host = dynamic_cast<WindowImpl*>(window());
  if (!drop_ || !host || !host->hwnd() || drop_->open()) return;
  Rect inClient;
  if (!absoluteRect(this, inClient)) return;
  // The list's rows are in layout units: the placement is worked out at the
  // layout scale, then the list's height turned into the window's pixels and
  // put against the combo's own pixel edges.
  const DpiScale& scale = host->dpiScale();
  const Rect pixels = scale.toDevice(inClient);
  POINT topLeft{pixels.left, pixels.top};
  ::ClientToScreen(host->hwnd(), &topLeft);
  const RECT combo{topLeft.x, topLeft.y, topLeft.x + pixels.width(), topLeft.y + pixels.height()};
  const RECT comboLayout{scale.toLayout(combo.left), scale.toLayout(combo.top),
                         scale.toLayout(combo.left) + inClient.width(), scale.toLayout(combo.top) + inClient.height()};
  bool below = true;
  // The monitor's work area in layout units too; the rows and the room are
  // weighed there, the list's height then turned into pixels, and its
  // sideways push done against the work area's own pixel edges.
  const RECT work = workAreaAt(combo);
  const RECT workLayout{scale.toLayout(work.left), scale.toLayout(work.top), scale.toLayout(work.right),
                        scale.toLayout(work.bottom)};
  const RECT placed = dropDownRect(comboLayout, itemCount(), workLayout, below);
  const int height = scale.toDevice(placed.bottom - placed.top);
  const int width = combo.right - combo.left;
  int left = combo.left;
  if (left + width > work.right) left = work.right - width;
  if (left < work.left) left = work.left;
  const RECT area = below ? RECT{left, combo.bottom, left + width, combo.bottom + height}
                          : RECT{left, combo.top - height, left + width, combo.top};
  drop_->runDropped(area, below, host->hwnd());
}

void ComboBox::onKeyDown(Control* sender, Event& e) {
  if (sender != this) return;
  const bool alt = ((e.lparam >> 29) & 1) != 0;  // the context bit of WM_SYSKEYDOWN
  if (e.wparam == VK_F4 || (alt && (e.wparam == VK_DOWN || e.wparam == VK_UP))) {
    e.handled = 1;
    openDropDown();  // the combo may be gone when this returns
    return;
  }
  ListBox* items = list();
  const std::int32_t count = items ? items->itemCount() : 0;
  if (count == 0) return;
  // Where the choice stands: the selected item, else the first item showing
  // the combo's text (markup gives the text without selecting).
  const Control* selected = items->selectedItem();
  const std::wstring shown = getText();
  std::int32_t index = -1;
  for (std::int32_t i = 0; i < count && index < 0; ++i)
    if (selected ? items->itemAt(i) == selected : items->itemAt(i)->getText() == shown) index = i;
  std::int32_t to = index;
  switch (e.wparam) {
    case VK_UP: to = index - 1; break;
    case VK_DOWN: to = index + 1; break;
    case VK_PRIOR: to = index - kMaxRows; break;
    case VK_NEXT: to = index + kMaxRows; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    default: return;
  }
  e.handled = 1;
  to = std::clamp(to, std::int32_t{0}, count - 1);
  if (to == index) return;
  items->select(items->itemAt(to));
  adoptListChoice();
}

void ComboBox::onListNotify(Control*, Event& e) {
  if (e.wparam != ListBox::kItemChosen) return;
  if (drop_) drop_->close();
  adoptListChoice();
}

void ComboBox::adoptListChoice() {
  ListBox* items = list();
  if (!items) return;
  const std::wstring chosen = items->selectedText();
  if (chosen == getText()) return;
  setString(names::text, chosen);
  invalidate(this, false);
  announceChange(this, AccessibleChange::Value);
  Event change = makeEvent(events::ValueChange);
  raiseEvent(this, change);
}

}  // namespace dui
