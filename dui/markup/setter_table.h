// SetterTable: the typed attribute setters of the markup. One setter per
// attribute name parses the value text and stores it in an Object's attribute
// bags under the canonical name constant (dui/core/attribute_names.h); the
// same table serves layout elements and the Prop element of style files.
//
// dui/markup uses only the headers of the layers below it: dui/core, and
// dui/controls for its element table and the bar styles.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "dui/core/attribute_names.h"
#include "dui/markup/xml_document.h"

namespace dui {

class Object;
class Control;

// How a setter reads its value (syntax in markup_values.h):
//  Int    "%d"                  -> integer bag
//  Color  "#rrggbb"             -> integer bag, rr * 65536 + gg * 256 + bb
//  Rect   "%d,%d,%d,%d"         -> rectangle bag (left, top, right, bottom)
//  Size   "%d,%d"               -> size bag (first, second)
//  Text   any text              -> text bag
//  Enum   one of the 13 keywords of kEnumKeywords (exact case) -> the
//         keyword's identity in the integer bag; any other text stores none
// A number-based value that does not parse (or has too few numbers), and a
// colour shorter than "#rrggbb", leave the entry as it was.
enum class AttributeKind { Int, Color, Rect, Size, Text, Enum };

class ISetter {
 public:
  explicit ISetter(AttrKey name) : name_(name) {}
  virtual ~ISetter() = default;
  ISetter(const ISetter&) = delete;
  ISetter& operator=(const ISetter&) = delete;

  // Parses `value` (never null) and writes it under name().
  virtual void set(Object& object, const wchar_t* value) const = 0;
  virtual AttributeKind kind() const = 0;
  // The canonical name constant: the setter's key and the stored key.
  AttrKey name() const { return name_; }

 private:
  AttrKey name_;
};

class IntSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Int; }
};

class ColorSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Color; }
};

class RectSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Rect; }
};

class SizeSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Size; }
};

class TextSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Text; }
};

class EnumSetter final : public ISetter {
 public:
  using ISetter::ISetter;
  void set(Object& object, const wchar_t* value) const override;
  AttributeKind kind() const override { return AttributeKind::Enum; }
};

// The three attributes that set bits of a control's flag word instead of the
// store: "visible" (Visible), "enabled" (Enabled), "transparent"
// (HitTransparent). "1" sets the bit; every other value, "true" included,
// clears it. On an object that is not a Control they are ignored.
inline constexpr wchar_t kVisibleAttribute[] = L"visible";
inline constexpr wchar_t kEnabledAttribute[] = L"enabled";
inline constexpr wchar_t kTransparentAttribute[] = L"transparent";

class SetterTable {
 public:
  // One setter of the listed kind for every attribute of the attribute table.
  SetterTable();
  SetterTable(const SetterTable&) = delete;
  SetterTable& operator=(const SetterTable&) = delete;

  // The setter of that attribute name (exact, case-sensitive), or null.
  const ISetter* find(const wchar_t* name) const;
  std::size_t size() const { return setters_.size(); }

  // Applies one attribute: its setter, else one of the three flag
  // attributes, else nothing. Answers whether anything was applied.
  bool applyAttribute(Object& object, const wchar_t* name, const wchar_t* value) const;
  // Applies every attribute of the element in document order (a later
  // attribute of the same name overwrites an earlier one).
  void apply(Object& object, const XmlNode* element) const;

 private:
  std::map<std::wstring, std::unique_ptr<ISetter>, std::less<>> setters_;
};

// The process's setter table, filled on first use and read-only afterwards
// (the framework start-up makes sure it exists before any window).
const SetterTable& setterTable();

}  // namespace dui
