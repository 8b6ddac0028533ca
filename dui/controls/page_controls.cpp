// The title bar's window drag and the picture of the Image element.
#include "dui/controls/page_controls.h"

#include "dui/core/host_window.h"
#include "dui/core/skin_image.h"
#include "dui/core/style_lookup.h"

namespace dui {

TitleBar::TitleBar() { addHandler(events::LButtonDown, this, &TitleBar::onLButtonDown); }

void TitleBar::onLButtonDown(Control*, Event&) {
  if (HostWindow* host = window()) host->beginWindowDrag();
}

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

}  // namespace dui
