// The page controls as the markup builds them: TabControl, TabItem, TitleBar,
// Seperator, Drawing (the Image element), ProgressBar and PowerPoint. They
// carry their flags, type names, the tab item's content and the picture's
// painting; they do not switch tabs, drag the window, show progress or run a
// slideshow.
#pragma once

#include <memory>

#include "dui/controls/button_family.h"
#include "dui/core/panel.h"

namespace dui {

class TabControl : public Panel {};

// A Button without CaptureOnPress and with flag bit 17. Owns its content: the
// first child element of the TabItem in the markup.
class TabItem : public Button {
 public:
  static constexpr std::uint32_t TabFlag = 0x20000;   // bit 17

  TabItem();
  // Takes ownership; a previous content is destroyed.
  void setContent(Control* content);
  Control* content() const { return content_.get(); }

 private:
  std::unique_ptr<Control> content_;
};

class TitleBar : public Control {};

// Paints the style named by "style"; nothing of its own.
class Seperator : public Control {};

// The Image element: HitTransparent, type name "Image"; measures as the
// natural size of its "src" image and paints it stretched; no style.
class Drawing : public Control {
 public:
  Drawing();
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  const wchar_t* typeName() const override;
  Size measureOverride(std::int32_t width, std::int32_t height) override;
};

// HitTransparent, type name "ProgressBar".
class ProgressBar : public Control {
 public:
  ProgressBar();
  const wchar_t* typeName() const override;
};

// Type name "PowerPoint".
class PowerPoint : public Control {
 public:
  const wchar_t* typeName() const override;
};

}  // namespace dui
