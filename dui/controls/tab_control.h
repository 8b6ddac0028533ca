// TabControl and TabItem: pages switched by header buttons. The headers are
// the tab control's children; each header owns its page (its content), which
// hangs under the tab control while attached, so the page's ids are found in
// the window and its events bubble through the tab control.
#pragma once

#include <cstdint>
#include <memory>

#include "dui/controls/button.h"
#include "dui/core/panel.h"

namespace dui {

class TabItem;

// Lays the headers out as a strip ("tabPlacement" "left": a column on the
// left, each header "tabHeight" wide; otherwise a row along the top, each
// "tabHeight" high) and every page in the slot beside the strip. Only the
// selected page is painted and hit-tested. Type name "Panel". The selected
// header is the strip's one tab stop; selecting another moves the keyboard
// focus along when the old header had it, and the window hears that the
// new page shows (its focus may move onto it).
class TabControl : public Panel {
 public:
  // Selects a header of this control: unchecks the previous one and raises
  // ValueChange at it, checks the new one and raises ValueChange at this
  // control, then (top placement, when a page was shown before) slides the
  // new page in from the side it comes from, over about 100 ms, painting each
  // step. Selecting the selected header, or a control that is not one of
  // this control's headers, does nothing.
  void select(TabItem* item);
  // The selected header, or null (none yet, or it has left this control).
  TabItem* selected() const;

  // The selected header's page: the page walks in tree order reach.
  Control* shownUnlistedChild() const override;

  const Rect& stripRect() const { return strip_; }
  const Rect& contentSlot() const { return slot_; }

  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  Control* hitTest(std::int32_t x, std::int32_t y) override;
  // Headers and the selected page show; the other pages do not.
  bool childArea(const Control& child, Rect& area) const override;
  // The headers' sum along the strip (or the largest page, if larger) by
  // the largest page across it plus the strip thickness.
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  // Places the strip, the headers and every page; the first arrange without
  // a selection selects the first header.
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;

 private:
  bool placedLeft() const;
  void slideIn(Control* page, bool fromRight);

  Rect strip_;
  Rect slot_;
  TabItem* selected_ = nullptr;
  std::uint32_t selectedSerial_ = 0;
};

// A Button without CaptureOnPress and with flag bit 17, that owns its page:
// the first child element of the TabItem in the markup. A left press on an
// unchecked header asks its tab control to select it; so does a Click (an
// access key, a screen reader's default action). With the focus, the arrows,
// Home and End select and focus the header before, after, first or last.
class TabItem : public Button {
 public:
  static constexpr std::uint32_t TabFlag = 0x20000;   // bit 17

  TabItem();
  ~TabItem() override;
  // Takes ownership; a previous page is destroyed. While the header is
  // attached the new page hangs under its parent and is attached at once.
  void setContent(Control* content);
  Control* content() const { return content_.get(); }
  // Its first child element is its content; further ones are refused.
  bool adoptMarkupChild(Control* child) override;

 private:
  void onLButtonDown(Control* sender, Event& e);
  void onClick(Control* sender, Event& e);
  void onKeyDown(Control* sender, Event& e);
  void onAttached(Control* sender, Event& e);
  void onDetached(Control* sender, Event& e);
  void hangContent();

  std::unique_ptr<Control> content_;
  bool markupContentOffered_ = false;
};

}  // namespace dui
