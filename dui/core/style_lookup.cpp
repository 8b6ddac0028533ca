// Finding styles by name and by a control's built-in style file.
#include "dui/markup/style_lookup.h"

#include "dui/core/control.h"
#include "dui/core/style.h"

namespace dui {

Style* findStyle(const std::wstring& name) {
  StyleSource* source = styleSource();
  return source ? source->getStyle(name) : nullptr;
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
