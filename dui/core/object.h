// Object: the pooled, attribute-carrying base of controls and styles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dui/core/attribute_names.h"
#include "dui/core/geometry.h"
#include "dui/core/object_pool.h"

namespace dui {

// Four attribute bags (integer, size, rectangle, text), each a singly linked
// list with the newest entry first. Keys are canonical names from
// attribute_names.h, compared by identity. Setting an existing key overwrites
// in place; a new key is prepended; entries live as long as the object.
class Object {
 public:
  static void* operator new(std::size_t size) { return poolAllocateObject(size); }
  static void operator delete(void* p) noexcept { poolFreeObject(p); }

  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object();

  // Getters copy the value out and answer whether the key was found.
  bool getInt(AttrKey key, std::int32_t& value) const;
  void setInt(AttrKey key, std::int32_t value);
  // Enumerated values: the identity of a keyword from names::kw*, or nullptr
  // for a value that matched no keyword (readers treat it as matching none).
  bool getEnum(AttrKey key, AttrKey& keyword) const;
  void setEnum(AttrKey key, AttrKey keyword);
  bool getSize(AttrKey key, Size& value) const;
  void setSize(AttrKey key, const Size& value);
  bool getRect(AttrKey key, Rect& value) const;
  void setRect(AttrKey key, const Rect& value);
  bool getString(AttrKey key, std::wstring& value) const;
  // The stored text without copying, or nullptr; valid until the key is set again.
  const std::wstring* findString(AttrKey key) const;
  void setString(AttrKey key, const std::wstring& value);

  // Convenience readers with a default for an absent key.
  std::int32_t intOr(AttrKey key, std::int32_t fallback) const;
  Rect rectOr(AttrKey key, const Rect& fallback) const;
  // The "text" attribute, empty when absent.
  std::wstring getText() const;

 private:
  struct IntEntry;
  struct SizeEntry;
  struct RectEntry;
  struct TextEntry;

  IntEntry* findIntEntry(AttrKey key) const;
  void setIntValue(AttrKey key, std::intptr_t value);

  IntEntry* ints_ = nullptr;
  SizeEntry* sizes_ = nullptr;
  RectEntry* rects_ = nullptr;
  TextEntry* texts_ = nullptr;
};

}  // namespace dui
