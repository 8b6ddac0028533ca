// The page controls as the markup builds them: TitleBar, Seperator and Drawing
// (the Image element) here; TabControl and TabItem, ProgressBar and
// PowerPoint (the slideshow) in their own headers, included for the factory.
#pragma once

#include "dui/controls/button_family.h"
#include "dui/controls/progress_bar.h"
#include "dui/controls/slideshow.h"
#include "dui/controls/tab_control.h"
#include "dui/core/panel.h"

namespace dui {

// A left press on it starts the system's drag of its window, so the user
// moves a caption-less window by it. The press is left unhandled.
class TitleBar : public Control {
 public:
  TitleBar();

 private:
  void onLButtonDown(Control* sender, Event& e);
};

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

}  // namespace dui
