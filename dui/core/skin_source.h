// SkinSource: where drawing finds a skin's styles, images and fonts by name.
// dui/markup's SkinResources answers from the skin package; the markup
// start-up plugs it in (dui/core/core_plugs.h). The lookups the controls use
// are in dui/core/style_lookup.h.
#pragma once

#include <string>

#include "dui/core/gdi_types.h"

namespace dui {

class SkinImage;
class Style;

class SkinSource {
 public:
  // The style, image or font of that name, or null when the skin has none.
  // What is answered stays valid until the source is cleared or unplugged.
  virtual Style* getStyle(const std::wstring& name) = 0;
  virtual SkinImage* getImage(const std::wstring& name) = 0;
  virtual HFONT getFont(const std::wstring& name) = 0;

 protected:
  ~SkinSource() = default;
};

}  // namespace dui
