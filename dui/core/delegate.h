// Delegate: an event handler {target object, member function} under shared
// ownership, taken from one fixed pool of pairs. UI thread only.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dui {

class Control;
struct Event;

// The identity of a handler: target and function. Two keys are equal when both
// the target and the function are the same.
struct DelegateKey {
  using Invoker = void (*)(const DelegateKey& key, Control* sender, Event& e);

  void* target = nullptr;
  Invoker invoker = nullptr;  // how to call `function`; none when disabled
  alignas(void*) unsigned char function[2 * sizeof(void*)] = {};

  bool operator==(const DelegateKey& other) const {
    return target == other.target && invoker == other.invoker &&
           std::memcmp(function, other.function, sizeof(function)) == 0;
  }

  template <class T>
  static DelegateKey of(T* target, void (T::*fn)(Control*, Event&));
  static DelegateKey ofFunction(void (*fn)(void* context, Control*, Event&), void* context);
};

// Reference-counted handle to a pooled pair. Copying shares the pair; the last
// release returns it to the pool. An empty handle (default, or pool exhausted)
// does nothing when invoked.
class Delegate {
 public:
  static constexpr std::size_t kPoolSize = 50000;

  Delegate() = default;
  Delegate(const Delegate& other) noexcept;
  Delegate(Delegate&& other) noexcept : pair_(other.pair_) { other.pair_ = nullptr; }
  Delegate& operator=(Delegate other) noexcept {
    swap(other);
    return *this;
  }
  ~Delegate();

  // A handler calling target->fn(sender, e). Empty when the pool is exhausted.
  template <class T>
  static Delegate bind(T* target, void (T::*fn)(Control*, Event&)) {
    assert(target && fn && "a handler needs its object and member function: bind(this, &Class::onEvent)");
    return fromKey(DelegateKey::of(target, fn));
  }
  // A handler calling fn(context, sender, e); `context` is its target.
  static Delegate bindFunction(void (*fn)(void* context, Control*, Event&), void* context) {
    return fromKey(DelegateKey::ofFunction(fn, context));
  }
  static Delegate fromKey(const DelegateKey& key);

  bool empty() const { return pair_ == nullptr; }
  explicit operator bool() const { return pair_ != nullptr; }
  bool enabled() const;
  // Clears the function: the pair stays, every holder skips it from now on.
  void disable() const;
  // Enabled and calling the same target and function.
  bool matches(const DelegateKey& key) const;
  void* target() const;
  // Calls the function unless empty or disabled.
  void invoke(Control* sender, Event& e) const;

  void swap(Delegate& other) noexcept {
    Pair* p = pair_;
    pair_ = other.pair_;
    other.pair_ = p;
  }

  // Pairs currently free in the pool (for tests and diagnostics).
  static std::size_t freePairs();

  struct Pair;  // pooled {target, function, reference count}; opaque

 private:
  explicit Delegate(Pair* pair) : pair_(pair) {}
  Pair* pair_ = nullptr;
};

template <class T>
DelegateKey DelegateKey::of(T* target, void (T::*fn)(Control*, Event&)) {
  using Fn = void (T::*)(Control*, Event&);
  static_assert(sizeof(Fn) <= sizeof(DelegateKey::function), "member function pointer too large");
  DelegateKey key;
  key.target = static_cast<void*>(target);
  std::memcpy(key.function, &fn, sizeof(Fn));
  key.invoker = [](const DelegateKey& k, Control* sender, Event& e) {
    Fn f;
    std::memcpy(&f, k.function, sizeof(Fn));
    (static_cast<T*>(k.target)->*f)(sender, e);
  };
  return key;
}

}  // namespace dui
