// The scrolling and choosing controls as the markup builds them: ScrollBar,
// ScrollPanel, ListBox, ComboBox and Slider. They carry their flags, their
// built-in style files and what their styles read (the scroll bar's parts,
// the slider's thumb); they do not scroll, drop down or change value.
#pragma once

#include <cstdint>

#include "dui/core/panel.h"

namespace dui {

// What a scroll bar tells its style: the arrow and thumb rectangles relative
// to the bar, and its part state bits.
struct ScrollBarParts {
  enum : std::uint32_t {
    FirstArrowOver = 1,
    SecondArrowOver = 2,
    ThumbOver = 4,
    FirstArrowPressed = 16,
    SecondArrowPressed = 32,
    ThumbDragged = 64,
    TrackBeforePressed = 4096,
    TrackAfterPressed = 8192,
  };
  Rect firstArrow;
  Rect secondArrow;
  Rect thumb;
  std::uint32_t state = 0;
};

// RepaintOnMouse, CaptureOnPress. Draws its "style", or "vscrollbar.xml"
// without one, with its arrow and thumb rectangles and part state bits.
class ScrollBar : public Control {
 public:
  ScrollBar();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  const ScrollBarParts& parts() const { return parts_; }
  void setParts(const ScrollBarParts& parts) { parts_ = parts; }

 private:
  ScrollBarParts parts_;
};

class ScrollPanel : public Panel {};

class ListBox : public ScrollPanel {};

// RepaintOnMouse, ClearsFocus. Draws its "style", or "combobox.xml" when it
// has none or that style does not load.
class ComboBox : public Control {
 public:
  ComboBox();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
};

// RepaintOnMouse, CaptureOnPress, ClearsFocus and bit 15 (wheel). Draws its
// "style", or "slider.xml" when it has none or that style does not load. Its
// Checked bit means the mouse is over the thumb.
class Slider : public Control {
 public:
  static constexpr std::uint32_t WheelFlag = 0x8000;   // bit 15

  Slider();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  std::int32_t value() const { return value_; }
  // The thumb relative to the control, a horizontal slider's: the size of the
  // style's "thumbUpSkin" image, left = (width - thumb width) * value / maximum.
  Rect thumbRect() const;

 private:
  std::int32_t value_ = 50;
  std::int32_t maximum_ = 100;
};

}  // namespace dui
