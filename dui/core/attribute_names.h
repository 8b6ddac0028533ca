// The one table of canonical attribute names and enumeration keywords.
//
// Attribute keys are compared by identity: the address of one of these
// constants is the key, never a copy of the text. Markup setters, layout, the
// window, styles, controls and the script API all use these constants; to add
// an attribute, add one line to DUI_ATTRIBUTE_NAMES.
#pragma once

#include <cstddef>

namespace dui {

using AttrKey = const wchar_t*;

// X(identifier) for every attribute the markup accepts; the text is the identifier.
#define DUI_ATTRIBUTE_NAMES(X)                                                         \
  X(id) X(x) X(y) X(width) X(height) X(margin) X(padding) X(horizontalAlign)           \
  X(verticalAlign) X(dock) X(orientation) X(style) X(text) X(font) X(color) X(tooltip)  \
  X(icon) X(offIcon) X(offText) X(src) X(img) X(textAlign) X(textspace) X(texteditable) \
  X(textpadding) X(itemHeight) X(tabHeight) X(tabPlacement) X(initSize) X(roundCorner)  \
  X(url) X(imagelist) X(progressbkimg) X(progressimg) X(progressbkScaleGrid)            \
  X(progressScaleGrid) X(progressmargin) X(scaleGrid) X(upSkin) X(overSkin) X(downSkin) \
  X(disabledSkin) X(checkedUpSkin) X(checkedOverSkin) X(checkedDownSkin)                \
  X(checkedDisabledSkin) X(upIcon) X(overIcon) X(downIcon) X(disabledIcon)              \
  X(checkedUpIcon) X(checkedOverIcon) X(checkedDownIcon) X(checkedDisabledIcon)         \
  X(textColor) X(downOffset) X(iconGap) X(textPlacement) X(dropBtn) X(barSkin)          \
  X(trackSkin) X(thumbUpSkin) X(thumbOverSkin) X(thumbDownSkin) X(thumbScaleGrid)       \
  X(thumbUpIcon) X(thumbOverIcon) X(thumbDownIcon) X(upArrowUpSkin) X(upArrowOverSkin)  \
  X(upArrowDownSkin) X(upArrowDisabledSkin) X(downArrowUpSkin) X(downArrowOverSkin)     \
  X(downArrowDownSkin) X(downArrowDisabledSkin) X(rows) X(columns) X(tabOffset)         \
  X(multiline) X(disabledAlpha) X(grayTip) X(cloUpSkin) X(cloOverSkin) X(cloDownSkin)      \
  X(scrollvertical) X(scrollhorizontal) X(value) X(range) X(tabindex) X(isDefault)         \
  X(isCancel) X(name) X(description) X(focusSkin) X(focusScaleGrid)

// X(identifier, "text") for the 13 enumeration keywords, in the markup's matching order.
#define DUI_ENUM_KEYWORDS(X)                                                     \
  X(kwLeft, "left") X(kwRight, "right") X(kwTop, "top") X(kwBottom, "bottom")    \
  X(kwCenter, "center") X(kwStretch, "stretch") X(kwHorizontal, "horizontal")    \
  X(kwVertical, "vertical") X(kwTrue, "true") X(kwFalse, "false")              \
  X(kwAuto, "auto") X(kwAlways, "always") X(kwNever, "never")

namespace names {
#define DUI_DECLARE_NAME(n) extern const wchar_t n[];
DUI_ATTRIBUTE_NAMES(DUI_DECLARE_NAME)
#undef DUI_DECLARE_NAME
#define DUI_DECLARE_KEYWORD(n, text) extern const wchar_t n[];
DUI_ENUM_KEYWORDS(DUI_DECLARE_KEYWORD)
#undef DUI_DECLARE_KEYWORD
}  // namespace names

// Every attribute name, in table order, and how many there are.
extern const AttrKey kAttributeNames[];
extern const std::size_t kAttributeNameCount;
// The 13 enumeration keywords in matching order ("left" first, "never" last).
extern const AttrKey kEnumKeywords[];
extern const std::size_t kEnumKeywordCount;

// The canonical constant whose text equals `text` (exact, case-sensitive), or
// nullptr. For turning markup or script text into a key; never used per frame.
AttrKey findAttributeName(const wchar_t* text);
AttrKey findEnumKeyword(const wchar_t* text);

}  // namespace dui
