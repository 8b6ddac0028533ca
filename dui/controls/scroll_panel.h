// ScrollPanel: a panel that shows its first child, the content, through a
// viewport, with scroll bars made as the content needs them.
#pragma once

#include <cstdint>

#include "dui/core/panel.h"
#include "dui/core/wheel_steps.h"

namespace dui {

class ScrollBar;

// Scroll policies per axis from "scrollvertical" and "scrollhorizontal"
// ("auto", "always", "never"; vertical "auto" and horizontal "never" when
// absent). Each arrange replaces the bars with new ones that keep the old
// positions. A plain scroll panel scrolls its content with its bars, the
// wheel (48 pixels a notch, smaller deltas adding up) and, with the focus (a
// click, or Tab: it is a tab stop while it shows a bar), the keyboard (Up,
// Down, Page Up, Page Down, Home, End on the vertical bar; Left and Right on
// the horizontal one, Home and End too when it is the only one). A control
// inside that the keyboard focuses is scrolled into view.
class ScrollPanel : public Panel {
 public:
  static constexpr std::int32_t kLineStep = 16;
  static constexpr std::int32_t kWheelStep = 48;   // per notch of 120

  ScrollPanel();
  ~ScrollPanel() override;

  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;
  // The content shows only in the viewport (the bars stay uncovered).
  bool childArea(const Control& child, Rect& area) const override;
  // Scrolls the least distance that shows `descendant` (when it is in the
  // content), on each axis with a bar.
  void revealDescendant(const Control& descendant) override;

  // A new scroll bar (not yet oriented or added).
  virtual ScrollBar* createScrollBar();
  // The width of "vscrollbar.xml"'s "barSkin" image, 0 without one.
  virtual std::int32_t verticalBarWidth();
  // The height of "hscrollbar.xml"'s "barSkin" image; without that style the
  // width of "vscrollbar.xml"'s (the vertical bar turned); 0 without either.
  virtual std::int32_t horizontalBarHeight();

  // Shift the content to a position through the bar of that axis; nothing
  // while that bar is not shown or there is no content.
  void setVerticalOffset(std::int32_t position);
  void setHorizontalOffset(std::int32_t position);

  // The first child that is not one of the panel's bars, or nullptr.
  Control* content() const;
  ScrollBar* verticalBar() const { return verticalShown_ ? vertical_ : nullptr; }
  ScrollBar* horizontalBar() const { return horizontalShown_ ? horizontal_ : nullptr; }
  const Rect& viewport() const { return viewport_; }
  std::int32_t verticalPosition() const;
  // Scrolls so that the span [top, bottom) of the content shows, the least
  // distance needed.
  void scrollIntoView(std::int32_t top, std::int32_t bottom);
  // The same across: the span [left, right) of the content.
  void scrollIntoViewAcross(std::int32_t left, std::int32_t right);

 protected:
  // Scrolls the vertical bar by `delta` pixels through ensurePosition.
  void scrollBy(std::int32_t delta);
  void takeFocus();
  void postCursorMove();
  // The plain panel's own input handlers (a ListBox replaces them).
  void removePlainHandlers();
  // The wheel's leftover between messages (the panel's and a list's).
  WheelSteps wheel_;
  // Whether each arrange makes the panel a tab stop exactly while it shows a
  // bar (on at first; a ListBox is always one).
  void setTabStopFollowsBars(bool follows) { tabStopFollowsBars_ = follows; }

 private:
  void onBarNotify(Control* sender, Event& e);
  void onPrevLButtonDown(Control*, Event& e);
  void onMouseWheel(Control*, Event& e);
  void onKeyDown(Control*, Event& e);
  void dropBars(std::int32_t& verticalPosition, std::int32_t& horizontalPosition);
  ScrollBar* makeBar(bool vertical);
  void placeContent();

  bool verticalShown_ = false;
  bool horizontalShown_ = false;
  ScrollBar* vertical_ = nullptr;
  ScrollBar* horizontal_ = nullptr;
  Rect viewport_;
  Rect contentRect_;   // the content's rectangle when scrolled to 0, 0
  bool tabStopFollowsBars_ = true;
};

}  // namespace dui
