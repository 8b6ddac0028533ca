// Attribute bags of Object: pooled singly linked lists keyed by name identity.
#include "dui/core/object.h"

#include <cassert>
#include <new>

namespace dui {

// The integer bag holds pointer-sized values so that an enumerated value (the
// identity of a keyword constant) survives in 64-bit builds too; integers are
// stored and read back as 32-bit signed values.
struct Object::IntEntry {
  AttrKey key;
  std::intptr_t value;
  IntEntry* next;
};
struct Object::SizeEntry {
  AttrKey key;
  Size value;
  SizeEntry* next;
};
struct Object::RectEntry {
  AttrKey key;
  Rect value;
  RectEntry* next;
};
struct Object::TextEntry {
  AttrKey key;
  std::wstring value;
  TextEntry* next;
};

namespace {

template <class Entry>
Entry* findEntry(Entry* head, AttrKey key) {
  for (Entry* e = head; e; e = e->next) {
    if (e->key == key) return e;
  }
  return nullptr;
}

#ifndef NDEBUG
// Whether `key` is one of the canonical name constants (a copy of the text
// would be a key nobody ever reads).
bool isCanonicalName(AttrKey key) {
  for (std::size_t i = 0; i < kAttributeNameCount; ++i)
    if (kAttributeNames[i] == key) return true;
  return false;
}
#endif

template <class Entry, class Value>
void setEntry(Entry*& head, AttrKey key, const Value& value) {
  assert(isCanonicalName(key) && "attribute keys are compared by address: pass a names:: constant, not its text");
  if (Entry* e = findEntry(head, key)) {
    e->value = value;
    return;
  }
  void* memory = poolAllocateEntry(sizeof(Entry));
  head = new (memory) Entry{key, value, head};
}

template <class Entry>
void releaseList(Entry*& head) noexcept {
  while (head) {
    Entry* next = head->next;
    head->~Entry();
    poolFreeEntry(head, sizeof(Entry));
    head = next;
  }
}

}  // namespace

Object::~Object() {
  releaseList(ints_);
  releaseList(sizes_);
  releaseList(rects_);
  releaseList(texts_);
}

Object::IntEntry* Object::findIntEntry(AttrKey key) const { return findEntry(ints_, key); }

void Object::setIntValue(AttrKey key, std::intptr_t value) { setEntry(ints_, key, value); }

bool Object::getInt(AttrKey key, std::int32_t& value) const {
  const IntEntry* e = findIntEntry(key);
  if (!e) return false;
  value = static_cast<std::int32_t>(e->value);
  return true;
}

void Object::setInt(AttrKey key, std::int32_t value) { setIntValue(key, value); }

bool Object::getEnum(AttrKey key, AttrKey& keyword) const {
  const IntEntry* e = findIntEntry(key);
  if (!e) return false;
  keyword = reinterpret_cast<AttrKey>(e->value);
  return true;
}

void Object::setEnum(AttrKey key, AttrKey keyword) {
  setIntValue(key, reinterpret_cast<std::intptr_t>(keyword));
}

bool Object::getSize(AttrKey key, Size& value) const {
  const SizeEntry* e = findEntry(sizes_, key);
  if (!e) return false;
  value = e->value;
  return true;
}

void Object::setSize(AttrKey key, const Size& value) { setEntry(sizes_, key, value); }

bool Object::getRect(AttrKey key, Rect& value) const {
  const RectEntry* e = findEntry(rects_, key);
  if (!e) return false;
  value = e->value;
  return true;
}

void Object::setRect(AttrKey key, const Rect& value) { setEntry(rects_, key, value); }

const std::wstring* Object::findString(AttrKey key) const {
  const TextEntry* e = findEntry(texts_, key);
  return e ? &e->value : nullptr;
}

bool Object::getString(AttrKey key, std::wstring& value) const {
  const std::wstring* s = findString(key);
  if (!s) return false;
  value = *s;
  return true;
}

void Object::setString(AttrKey key, const std::wstring& value) { setEntry(texts_, key, value); }

std::int32_t Object::intOr(AttrKey key, std::int32_t fallback) const {
  std::int32_t v;
  return getInt(key, v) ? v : fallback;
}

Rect Object::rectOr(AttrKey key, const Rect& fallback) const {
  Rect r;
  return getRect(key, r) ? r : fallback;
}

std::wstring Object::getText() const {
  const std::wstring* s = findString(names::text);
  return s ? *s : std::wstring();
}

}  // namespace dui
