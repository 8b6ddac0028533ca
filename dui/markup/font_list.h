// The font list "font.xml": named font descriptions derived from the system's
// default GUI font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dui/markup/xml_document.h"

namespace dui {

struct FontDescription {
  std::wstring name;
  LOGFONTW logFont;
};

// The LOGFONT of DEFAULT_GUI_FONT, the starting point of every description.
LOGFONTW defaultGuiLogFont();

// One description per child element of `root`, in document order (element
// names are not examined). Each starts from `base` and applies its attributes
// in document order: "name", "face" (at most 31 characters kept), "size"
// (height := -value; the most negative value gives the largest height),
// "bold" (weight += 700 for "true", += 400 otherwise), "underline" (on for
// "true"); other attributes are ignored. A "size" that is
// not a number leaves the height as it was. Elements without a "name" have
// nothing to be stored under and are skipped.
std::vector<FontDescription> readFontDescriptions(const XmlNode* root, const LOGFONTW& base);

}  // namespace dui
