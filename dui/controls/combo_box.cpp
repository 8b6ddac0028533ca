// The combo box field, its items and the opening of its drop-down.
#include "dui/controls/combo_box.h"

#include <algorithm>

#include "dui/controls/combo_drop_down.h"
#include "dui/controls/list_box.h"
#include "dui/core/control_geometry.h"
#include "dui/core/style_lookup.h"
#include "dui/core/window_impl.h"

namespace dui {

ComboBox::ComboBox() {
  setFlag(flags::RepaintOnMouse | flags::ClearsFocus, true);
  addHandler(events::LButtonDown, this, &ComboBox::onLButtonDown);
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

RECT ComboBox::dropDownRect(const RECT& combo, std::int32_t items, std::int32_t screenHeight, bool& below) {
  items = std::max(items, 0);
  const std::int32_t rows = std::min(items, kMaxRows);
  const std::int32_t comboHeight = combo.bottom - combo.top;
  below = rows * kRowHeight + comboHeight + 8 + combo.top < screenHeight;
  const std::int32_t height = std::min(items * kRowHeight + 4, kMaxRows * kRowHeight + 4);
  const std::int32_t top = below ? combo.bottom : combo.top - (rows * kRowHeight + 4);
  return RECT{combo.left, top, combo.right, top + height};
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
  const RECT placed =
      dropDownRect(comboLayout, itemCount(), scale.toLayout(::GetSystemMetrics(SM_CYSCREEN)), below);
  const int height = scale.toDevice(placed.bottom - placed.top);
  const RECT area = below ? RECT{combo.left, combo.bottom, combo.right, combo.bottom + height}
                          : RECT{combo.left, combo.top - height, combo.right, combo.top};
  drop_->runDropped(area, below, host->hwnd());
}

void ComboBox::onListNotify(Control*, Event& e) {
  if (e.wparam != ListBox::kItemChosen) return;
  if (drop_) drop_->close();
  ListBox* items = list();
  if (!items) return;
  const std::wstring chosen = items->selectedText();
  if (chosen == getText()) return;
  setString(names::text, chosen);
  invalidate(this, false);
  Event change = makeEvent(events::ValueChange);
  raiseEvent(this, change);
}

}  // namespace dui
