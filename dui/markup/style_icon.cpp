// Skins with an icon beside the text: Style_IconButton and
// Style_ToggleIconButton; and the combo box field, Style_ComboBox.
#include "dui/core/control.h"
#include "dui/core/skin_image.h"
#include "dui/markup/style_paint.h"
#include "dui/markup/styles.h"
#include "support/win32_handles.h"

namespace dui {
namespace {

// Not enabled, capture, mouse over, else up: Checked and Focused play no part.
AttrKey toggleIconSkinOf(const Control& c) {
  if (!c.hasFlag(flags::Enabled)) return names::disabledSkin;
  if (c.hasFlag(flags::Captured)) return names::downSkin;
  if (c.hasFlag(flags::MouseOver)) return names::overSkin;
  return names::upSkin;
}

// The icon and the text placed by the style's "textPlacement": "right" (the
// default) centres the pair icon, gap, text; "left" the pair text, gap, icon;
// "bottom" the icon above the text. Without an icon the text alone is centred.
void drawIconAndText(HDC dc, const Rect& rect, const Control& control, const Object& style, const SkinImage* icon,
                     const std::wstring* text) {
  if (!icon) {
    skin::drawCentredText(dc, rect, control, style, text, skin::kBlack);
    return;
  }
  kavri::ScopedSelect font(dc, controlFont(control));
  const bool hasText = text && !text->empty();
  const UINT prefix = accessKeyTextFormat(control);
  const Size extent = hasText ? skin::textExtent(dc, *text, prefix) : Size{};
  const int gap = style.intOr(names::iconGap, 2);
  const int iconWidth = icon->width();
  const int iconHeight = icon->height();
  const COLORREF colour = COLORREF(style.intOr(names::textColor, std::int32_t(skin::kBlack)));
  AttrKey placement = nullptr;
  style.getEnum(names::textPlacement, placement);

  const UINT kLine = DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix;
  if (placement == names::kwBottom) {
    const int y = (rect.top + rect.bottom - gap - extent.height - iconHeight) / 2;
    skin::drawAt(dc, (rect.left + rect.right - iconWidth) / 2, y, icon);
    if (hasText) {
      const Rect area{rect.left, y + iconHeight + gap, rect.right, rect.bottom};
      skin::drawText(dc, skin::pressedTextRect(area, control, style), *text, colour,
                     DT_SINGLELINE | DT_CENTER | DT_TOP | prefix);
    }
    return;
  }
  const int x = (rect.left + rect.right - gap - extent.width - iconWidth) / 2;
  const int iconY = (rect.top + rect.bottom - iconHeight) / 2;
  if (placement == names::kwLeft) {
    if (hasText) {
      const Rect area{x, rect.top, x + extent.width, rect.bottom};
      skin::drawText(dc, skin::pressedTextRect(area, control, style), *text, colour, kLine);
    }
    skin::drawAt(dc, x + extent.width + gap, iconY, icon);
    return;
  }
  skin::drawAt(dc, x, iconY, icon);
  if (hasText) {
    const Rect area{x + iconWidth + gap, rect.top, rect.right, rect.bottom};
    skin::drawText(dc, skin::pressedTextRect(area, control, style), *text, colour, kLine);
  }
}

}  // namespace

void Style_IconButton::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  drawStateSkin(dc, rect, control);
  drawIconAndText(dc, rect, *control, *this, imageOf(*control, names::icon), control->findString(names::text));
}

void Style_ToggleIconButton::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  skin::drawScaled(dc, rect, imageOf(*this, toggleIconSkinOf(*control)), *this);
  const bool checked = control->hasFlag(flags::Checked);
  drawIconAndText(dc, rect, *control, *this, imageOf(*control, checked ? names::offIcon : names::icon),
                  control->findString(checked ? names::offText : names::text));
}

void Style_ComboBox::draw(HDC dc, const Rect& rect, Control* control) {
  if (!control) return;
  drawStateSkin(dc, rect, control);
  const SkinImage* button = imageOf(*this, names::dropBtn);
  const int buttonWidth = skin::widthOf(button);
  skin::drawAt(dc, rect.right - buttonWidth, (rect.top + rect.bottom - skin::heightOf(button)) / 2, button);
  if (const std::wstring* text = control->findString(names::text)) {
    const Rect area{rect.left + 12, rect.top, rect.right - (buttonWidth + 2), rect.bottom};
    skin::drawText(dc, area, *text, skin::kBlack, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  }
}

}  // namespace dui
