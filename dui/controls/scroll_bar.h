// ScrollBar: arrows, track and thumb over a total extent of which one page
// shows. The user's actions come out as Notify events raised directly at the
// bar; whoever owns the bar turns them into positions (ensurePosition).
#pragma once

#include <cstdint>

#include "dui/controls/scroll_geometry.h"
#include "dui/core/control.h"
#include "dui/core/timer.h"

namespace dui {

// RepaintOnMouse, CaptureOnPress. Draws with its "style"; without one, a
// vertical bar with "vscrollbar.xml" and a horizontal one with
// "hscrollbar.xml", or "vscrollbar.xml" turned a quarter when the skin has no
// horizontal style (list_skin_sizes.h: scrollBarSkin). The style gets its
// arrow and thumb rectangles and part state bits.
class ScrollBar : public Control {
 public:
  ScrollBar();
  ~ScrollBar() override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;

  const ScrollBarParts& parts() const { return parts_; }
  void setParts(const ScrollBarParts& parts) { parts_ = parts; }

  bool vertical() const { return vertical_; }
  void setVertical(bool vertical) { vertical_ = vertical; }
  std::int32_t total() const { return total_; }
  std::int32_t position() const { return position_; }
  std::int32_t page() const { return page_; }
  // The extents; the position is left alone until the next ensurePosition.
  void setExtents(std::int32_t total, std::int32_t page);
  // Enables the bar exactly when page < total, clamps p to 0 .. total - page
  // (0 while disabled), stores it, shifts the owning scroll panel's content
  // and repaints. A bar outside a window only logs.
  void ensurePosition(std::int32_t p);

  bool repeating() const { return timer_.running(); }
  ScrollGeometry geometry() const;

 private:
  class ScrollTimer : public Timer {
   public:
    explicit ScrollTimer(ScrollBar* owner) : Timer(100), owner_(owner) {}
    void tick() override { owner_->onTick(); }

   private:
    ScrollBar* owner_;
  };

  void updateParts();
  void onTick();
  void onLButtonDown(Control*, Event& e);
  void onMouseMove(Control*, Event& e);
  void onLostCapture(Control*, Event& e);
  void onMouseLeave(Control*, Event& e);

  std::int32_t total_ = 0;
  std::int32_t position_ = 0;
  std::int32_t page_ = 0;
  ScrollBarParts parts_;
  bool vertical_ = true;
  ScrollTimer timer_;
  std::int32_t grabOffset_ = 0;
  Size size_;
};

}  // namespace dui
