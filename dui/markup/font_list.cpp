// Reading font descriptions from "font.xml".
#include "font_list.h"

#include <cstdint>
#include <cwchar>
#include <optional>

#include "dui/markup/markup_values.h"
#include "support/debug_log.h"

namespace dui {
namespace {

bool isTrue(const wchar_t* value) { return std::wcscmp(value, L"true") == 0; }

}  // namespace

LOGFONTW defaultGuiLogFont() {
  LOGFONTW font{};
  if (!::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font)) {
    kavri::logWin32Failure("GetObjectW(DEFAULT_GUI_FONT)", __FILE__, __LINE__);
    font = LOGFONTW{};
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
  }
  return font;
}

std::vector<FontDescription> readFontDescriptions(const XmlNode* root, const LOGFONTW& base) {
  std::vector<FontDescription> fonts;
  for (const XmlNode* element = firstChildElement(root); element; element = nextSiblingElement(element)) {
    FontDescription font{std::wstring(), base};
    bool named = false;
    for (const XmlAttribute* a = element->first_attribute(); a; a = a->next_attribute()) {
      const wchar_t* name = a->name();
      const wchar_t* value = a->value();
      if (std::wcscmp(name, L"name") == 0) {
        font.name = value;
        named = true;
      } else if (std::wcscmp(name, L"face") == 0) {
        std::wcsncpy(font.logFont.lfFaceName, value, LF_FACESIZE - 1);
        font.logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
      } else if (std::wcscmp(name, L"size") == 0) {
        // The height is the negated size; the most negative size saturates
        // instead of overflowing the negation.
        if (std::optional<std::int32_t> size = parseLeadingInt(value))
          font.logFont.lfHeight = *size == INT32_MIN ? INT32_MAX : -*size;
      } else if (std::wcscmp(name, L"bold") == 0) {
        font.logFont.lfWeight += isTrue(value) ? 700 : 400;
      } else if (std::wcscmp(name, L"underline") == 0) {
        font.logFont.lfUnderline = isTrue(value) ? TRUE : FALSE;
      }
    }
    if (!named) {
      kavri::debugLog(L"font.xml: a font without \"name\" is skipped");
      continue;
    }
    fonts.push_back(std::move(font));
  }
  return fonts;
}

}  // namespace dui
