// ComboBox: a field showing the chosen text that drops down a list of items
// in a pop-up window of its own.
#pragma once

#include <cstdint>
#include <string>

#include "dui/core/control.h"

namespace dui {

class ComboHelperWnd;
class ListBox;

// RepaintOnMouse, ClearsFocus. Draws its "style", or "combobox.xml" when it
// has none or that style does not load. It makes its drop-down window at once
// (hidden); a left press opens it under the combo (above when the work area of
// the combo's monitor has no room below) and runs a local message loop until
// an item is chosen, the
// user presses outside it or Escape, another window becomes active, or a quit
// message arrives (posted again afterwards). Choosing a text other than the
// current one sets "text", repaints and raises ValueChange (direct,
// parameters 0). A tab stop: with the focus F4, Alt+Down and Alt+Up open the
// drop-down, and Up, Down, Page Up, Page Down (six items), Home and End
// choose another item without opening it. Its text is data: "&" is shown.
class ComboBox : public Control {
 public:
  static constexpr std::int32_t kRowHeight = 24;
  static constexpr std::int32_t kMaxRows = 6;

  ComboBox();
  ~ComboBox() override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;

  // Appends an item to the drop-down list (taking ownership).
  bool addItem(Control* item);
  // Its child elements are its items.
  bool adoptMarkupChild(Control* child) override { return addItem(child); }
  std::int32_t itemCount() const;
  // The drop-down's list, or nullptr once its window is gone.
  ListBox* list() const;
  ComboHelperWnd* dropDown() const { return drop_; }
  bool dropped() const;
  // Sets "text" and selects the matching item (if any) without raising
  // anything; false when no item has that text (the text is set anyway).
  bool setChoice(const std::wstring& text);

  // Where the drop-down goes for a combo at `combo` (screen coordinates) with
  // `items` items, inside `workArea` (the usable part of the combo's monitor,
  // without the taskbar): 24 pixels a row for at most six rows plus 4, as
  // wide as the combo. Below the combo when rows * 24 + 8 more pixels fit
  // under it; else above when the list fits there; else on the side with more
  // room, cut to it. Moved sideways as far as needed to stay in the area.
  static RECT dropDownRect(const RECT& combo, std::int32_t items, const RECT& workArea, bool& below);
  // The work area of the monitor showing most of `screenRect` (the nearest
  // monitor when none does); the primary screen when it cannot be read.
  static RECT workAreaAt(const RECT& screenRect);

  // Opens the drop-down and runs its loop (what a left press does).
  void openDropDown();

 private:
  friend class ComboHelperWnd;
  void dropDownDestroyed() { drop_ = nullptr; }
  void onLButtonDown(Control*, Event& e);
  void onKeyDown(Control*, Event& e);
  void onListNotify(Control*, Event& e);
  // Takes the list's selected item as the choice (ValueChange when it differs).
  void adoptListChoice();

  ComboHelperWnd* drop_ = nullptr;
};

}  // namespace dui
