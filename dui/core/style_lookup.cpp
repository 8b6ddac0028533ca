// Finding styles, images and fonts by name, by attribute and by a control's
// built-in style file.
#include "dui/core/style_lookup.h"

#include "dui/core/control.h"
#include "dui/core/core_plugs.h"
#include "dui/core/skin_source.h"
#include "dui/core/style.h"

namespace dui {

Style* findStyle(const std::wstring& name) {
  SkinSource* source = corePlugs().skinSource;
  return source ? source->getStyle(name) : nullptr;
}

SkinImage* findImage(const std::wstring& name) {
  SkinSource* source = corePlugs().skinSource;
  return source ? source->getImage(name) : nullptr;
}

HFONT findFont(const std::wstring& name) {
  SkinSource* source = corePlugs().skinSource;
  return source ? source->getFont(name) : nullptr;
}

SkinImage* imageOf(const Object& object, AttrKey key) {
  const std::wstring* name = object.findString(key);
  return name && !name->empty() ? findImage(*name) : nullptr;
}

HFONT controlFont(const Control& control) {
  const std::wstring* name = control.findString(names::font);
  return findFont(name ? *name : std::wstring(kDefaultFont));
}

Style* controlStyle(const Control& control, const wchar_t* builtIn, BuiltInStyle rule) {
  if (rule != BuiltInStyle::Always) {
    if (const std::wstring* named = control.findString(names::style)) {
      Style* style = findStyle(*named);
      if (style || rule == BuiltInStyle::WhenNoStyleAttribute) return style;
    }
  }
  return builtIn ? findStyle(builtIn) : nullptr;
}

void drawControlStyle(HDC dc, const Rect& rect, Control& control, const wchar_t* builtIn, BuiltInStyle rule) {
  if (Style* style = controlStyle(control, builtIn, rule)) style->draw(dc, rect, &control);
}

}  // namespace dui
