// Flags, type names, the tab item's content and the picture of the page controls.
#include "dui/controls/page_controls.h"

#include "dui/core/skin_image.h"
#include "dui/core/style_lookup.h"

namespace dui {

TabItem::TabItem() {
  setFlag(flags::CaptureOnPress, false);
  setFlag(TabFlag, true);
}

void TabItem::setContent(Control* content) { content_.reset(content); }

Drawing::Drawing() { setFlag(flags::HitTransparent, true); }

void Drawing::draw(HDC dc, const Rect& drawRect, const Rect&) {
  if (SkinImage* image = imageOf(*this, names::src))
    image->drawInRect(dc, drawRect.left, drawRect.top, drawRect.right, drawRect.bottom);
}

const wchar_t* Drawing::typeName() const { return L"Image"; }

Size Drawing::measureOverride(std::int32_t, std::int32_t) {
  SkinImage* image = imageOf(*this, names::src);
  return image ? Size{image->width(), image->height()} : Size{};
}

ProgressBar::ProgressBar() { setFlag(flags::HitTransparent, true); }

const wchar_t* ProgressBar::typeName() const { return L"ProgressBar"; }

const wchar_t* PowerPoint::typeName() const { return L"PowerPoint"; }

}  // namespace dui
