// ListBox: a scroll panel over a vertical stack of items with one selected
// item, shown by the item's Checked bit.
#pragma once

#include <cstdint>
#include <string>

#include "dui/controls/scroll_panel.h"

namespace dui {

class StackPanel;

// Items are any controls (the markup's children of a ListBox element); an
// item without a "height" gets the list's "itemHeight" when added. The list
// scrolls by whole items: a bar's line is one item, its page the items that
// fit, a wheel notch two items. A left press selects the item under it and
// takes the focus. The list is one tab stop (its items are none, and their
// texts are shown as written); with the focus Up and Down move the
// selection (Down and Home select the first item when none is), Home and End
// go to the first and last item, Page Up and Page Down a page of items (the
// ones that fit) back or forward. A selection the user makes raises ValueChange (direct,
// parameters 0) at the list; a press on an item also raises Notify (direct,
// first parameter kItemChosen) after it, which a combo box's drop-down reads
// as the choice.
class ListBox : public ScrollPanel {
 public:
  static constexpr std::uintptr_t kItemChosen = 1;

  ListBox();
  ScrollBar* createScrollBar() override;

  StackPanel* itemStack() const { return stack_; }
  // Appends an item (taking ownership); false for nullptr.
  bool addItem(Control* item);
  // Its child elements are its items.
  bool adoptMarkupChild(Control* child) override { return addItem(child); }
  std::int32_t itemCount() const;
  Control* itemAt(std::int32_t index) const;
  std::int32_t itemHeight() const;

  Control* selectedItem() const;
  // The selected item's "text", empty when none is selected.
  std::wstring selectedText() const;
  // Selects an item of this list (or none with nullptr), scrolls it into
  // view and repaints; raises nothing. False for a control that is not one
  // of the items.
  bool select(Control* item);
  // Selects the first item whose "text" equals `text`; false (selection
  // unchanged) when there is none.
  bool selectText(const std::wstring& text);
  void scrollItemIntoView(Control* item);
  // Selects an item as the user does (scrolled into view, ValueChange when
  // the selection changed); false when nothing changed.
  bool chooseByUser(Control* item);
  // Whether a press gives the list the keyboard focus (on at first). A combo
  // box's drop-down passes the keys to its list itself and turns it off, so
  // that its window is never activated.
  void setTakesFocus(bool takes) { takesFocus_ = takes; }

 private:
  bool isItem(const Control* c) const;
  Control* shownItemFrom(Control* from, std::int32_t steps) const;
  // The first (or last) item that is shown, nullptr for none.
  Control* edgeItem(bool first) const;
  Control* itemAtPoint(std::intptr_t lparam) const;
  void onBarNotify(Control* sender, Event& e);
  void onPrevLButtonDown(Control*, Event& e);
  void onLButtonDown(Control*, Event& e);
  void onMouseWheel(Control*, Event& e);
  void onKeyDown(Control*, Event& e);

  StackPanel* stack_ = nullptr;
  Control* selected_ = nullptr;
  std::uint32_t selectedSerial_ = 0;
  bool takesFocus_ = true;
};

}  // namespace dui
