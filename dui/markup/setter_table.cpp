// The attribute table: every markup attribute with its setter kind, and the
// applying of an element's attributes.
#include "dui/markup/setter_table.h"

#include <cwchar>

#include "dui/core/control.h"
#include "dui/markup/markup_values.h"
#include "dui/markup/text_variables.h"

namespace dui {
namespace {

using namespace names;

struct AttributeEntry {
  AttrKey name;
  AttributeKind kind;
};

constexpr AttributeKind Int = AttributeKind::Int;
constexpr AttributeKind Color = AttributeKind::Color;
constexpr AttributeKind RectKind = AttributeKind::Rect;
constexpr AttributeKind SizeKind = AttributeKind::Size;
constexpr AttributeKind Text = AttributeKind::Text;
constexpr AttributeKind Enum = AttributeKind::Enum;

// Every attribute the markup accepts and how its value is read. A name added
// to DUI_ATTRIBUTE_NAMES gets its line here too (a test checks that no name
// lacks a setter).
const AttributeEntry kAttributeTable[] = {
    // Layout of every control.
    {id, Int}, {x, Int}, {y, Int}, {width, Int}, {height, Int},
    {margin, RectKind}, {padding, RectKind},
    {horizontalAlign, Enum}, {verticalAlign, Enum}, {dock, Enum}, {orientation, Enum},
    // Look and content.
    {style, Text}, {text, Text}, {font, Text}, {color, Color}, {tooltip, Text},
    {icon, Text}, {offIcon, Text}, {offText, Text}, {src, Text}, {img, Text},
    {textAlign, Enum}, {textspace, Int}, {texteditable, Int}, {textpadding, SizeKind},
    {itemHeight, Int}, {tabHeight, Int}, {tabPlacement, Enum},
    {initSize, SizeKind}, {roundCorner, SizeKind},
    {url, Text}, {imagelist, Text},
    {progressbkimg, Text}, {progressimg, Text},
    {progressbkScaleGrid, RectKind}, {progressScaleGrid, RectKind}, {progressmargin, RectKind},
    // Styles.
    {scaleGrid, RectKind},
    {upSkin, Text}, {overSkin, Text}, {downSkin, Text}, {disabledSkin, Text},
    {checkedUpSkin, Text}, {checkedOverSkin, Text}, {checkedDownSkin, Text}, {checkedDisabledSkin, Text},
    {upIcon, Text}, {overIcon, Text}, {downIcon, Text}, {disabledIcon, Text},
    {checkedUpIcon, Text}, {checkedOverIcon, Text}, {checkedDownIcon, Text}, {checkedDisabledIcon, Text},
    {textColor, Color}, {downOffset, Int}, {iconGap, Int}, {textPlacement, Enum}, {dropBtn, Text},
    {barSkin, Text}, {trackSkin, Text}, {thumbUpSkin, Text}, {thumbOverSkin, Text}, {thumbDownSkin, Text},
    {thumbScaleGrid, RectKind}, {thumbUpIcon, Text}, {thumbOverIcon, Text}, {thumbDownIcon, Text},
    {upArrowUpSkin, Text}, {upArrowOverSkin, Text}, {upArrowDownSkin, Text}, {upArrowDisabledSkin, Text},
    {downArrowUpSkin, Text}, {downArrowOverSkin, Text}, {downArrowDownSkin, Text}, {downArrowDisabledSkin, Text},
    // Accepted and stored; nothing reads them.
    {rows, Int}, {columns, Int}, {tabOffset, Int}, {multiline, Int}, {disabledAlpha, Int},
    {grayTip, Text}, {cloUpSkin, Text}, {cloOverSkin, Text}, {cloDownSkin, Text},
    // Scroll policies of scroll panels ("auto", "always", "never").
    {scrollvertical, Enum}, {scrollhorizontal, Enum},
    // The first value and range of the value controls (slider, progress bar).
    {value, Int}, {range, Int},
    // Keyboard and accessibility: the place in the Tab order (-1 none), the
    // buttons Enter and Escape press, what a screen reader says, and the
    // skin's focus mark (a style's nine-grid picture).
    {tabindex, Int}, {isDefault, Int}, {isCancel, Int}, {name, Text}, {description, Text},
    {focusSkin, Text}, {focusScaleGrid, RectKind},
};

std::unique_ptr<ISetter> makeSetter(const AttributeEntry& entry) {
  switch (entry.kind) {
    case AttributeKind::Int: return std::make_unique<IntSetter>(entry.name);
    case AttributeKind::Color: return std::make_unique<ColorSetter>(entry.name);
    case AttributeKind::Rect: return std::make_unique<RectSetter>(entry.name);
    case AttributeKind::Size: return std::make_unique<SizeSetter>(entry.name);
    case AttributeKind::Text: return std::make_unique<TextSetter>(entry.name);
    case AttributeKind::Enum: return std::make_unique<EnumSetter>(entry.name);
  }
  return nullptr;
}

// The flag bit a flag attribute sets, or 0.
std::uint32_t flagOfAttribute(const wchar_t* name) {
  if (std::wcscmp(name, kVisibleAttribute) == 0) return flags::Visible;
  if (std::wcscmp(name, kEnabledAttribute) == 0) return flags::Enabled;
  if (std::wcscmp(name, kTransparentAttribute) == 0) return flags::HitTransparent;
  return 0;
}

}  // namespace

void IntSetter::set(Object& object, const wchar_t* value) const {
  if (std::optional<std::int32_t> number = parseLeadingInt(value)) object.setInt(name(), *number);
}

void ColorSetter::set(Object& object, const wchar_t* value) const {
  if (std::optional<std::int32_t> colour = parseColor(value)) object.setInt(name(), *colour);
}

void RectSetter::set(Object& object, const wchar_t* value) const {
  std::int32_t v[4];
  if (parseIntList(value, v, 4)) object.setRect(name(), Rect{v[0], v[1], v[2], v[3]});
}

void SizeSetter::set(Object& object, const wchar_t* value) const {
  std::int32_t v[2];
  if (parseIntList(value, v, 2)) object.setSize(name(), Size{v[0], v[1]});
}

// A text's "{product.name}" and the like are replaced by their values
// (text_variables.h).
void TextSetter::set(Object& object, const wchar_t* value) const {
  object.setString(name(), expandTextVariables(value));
}

void EnumSetter::set(Object& object, const wchar_t* value) const {
  object.setEnum(name(), findEnumKeyword(value));   // none when no keyword matches
}

SetterTable::SetterTable() {
  for (const AttributeEntry& entry : kAttributeTable) setters_.emplace(entry.name, makeSetter(entry));
}

const ISetter* SetterTable::find(const wchar_t* name) const {
  if (!name) return nullptr;
  auto it = setters_.find(name);
  return it == setters_.end() ? nullptr : it->second.get();
}

bool SetterTable::applyAttribute(Object& object, const wchar_t* name, const wchar_t* value) const {
  if (!name) return false;
  if (!value) value = L"";
  if (const ISetter* setter = find(name)) {
    setter->set(object, value);
    return true;
  }
  const std::uint32_t flag = flagOfAttribute(name);
  Control* control = flag ? dynamic_cast<Control*>(&object) : nullptr;
  if (!control) return false;
  control->setFlag(flag, std::wcscmp(value, L"1") == 0);
  return true;
}

void SetterTable::apply(Object& object, const XmlNode* element) const {
  if (!element) return;
  for (const XmlAttribute* a = element->first_attribute(); a; a = a->next_attribute())
    applyAttribute(object, a->name(), a->value());
}

const SetterTable& setterTable() {
  static const SetterTable table;
  return table;
}

}  // namespace dui
