// Definitions of the canonical attribute names and enumeration keywords.
#include "dui/core/attribute_names.h"

#include <cwchar>

namespace dui {

namespace names {
#define DUI_DEFINE_NAME(n) const wchar_t n[] = L## #n;
DUI_ATTRIBUTE_NAMES(DUI_DEFINE_NAME)
#undef DUI_DEFINE_NAME
#define DUI_DEFINE_KEYWORD(n, text) const wchar_t n[] = L##text;
DUI_ENUM_KEYWORDS(DUI_DEFINE_KEYWORD)
#undef DUI_DEFINE_KEYWORD
}  // namespace names

#define DUI_LIST_NAME(n) names::n,
const AttrKey kAttributeNames[] = {DUI_ATTRIBUTE_NAMES(DUI_LIST_NAME)};
#undef DUI_LIST_NAME
const std::size_t kAttributeNameCount = sizeof(kAttributeNames) / sizeof(kAttributeNames[0]);

#define DUI_LIST_KEYWORD(n, text) names::n,
const AttrKey kEnumKeywords[] = {DUI_ENUM_KEYWORDS(DUI_LIST_KEYWORD)};
#undef DUI_LIST_KEYWORD
const std::size_t kEnumKeywordCount = sizeof(kEnumKeywords) / sizeof(kEnumKeywords[0]);

namespace {
AttrKey findIn(const AttrKey* table, std::size_t count, const wchar_t* text) {
  if (!text) return nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (std::wcscmp(table[i], text) == 0) return table[i];
  }
  return nullptr;
}
}  // namespace

AttrKey findAttributeName(const wchar_t* text) {
  return findIn(kAttributeNames, kAttributeNameCount, text);
}

AttrKey findEnumKeyword(const wchar_t* text) {
  return findIn(kEnumKeywords, kEnumKeywordCount, text);
}

}  // namespace dui
