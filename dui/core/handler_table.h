// Handler lists by event code, and the per-raise snapshot of handlers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "dui/core/delegate.h"

namespace dui {

// Ordered map from event code to delegates in registration order.
class HandlerTable {
 public:
  HandlerTable() = default;
  HandlerTable(const HandlerTable&) = delete;
  HandlerTable& operator=(const HandlerTable&) = delete;
  ~HandlerTable() { disableAll(); }

  // Appends; the same pair may be added more than once. False for an empty
  // delegate (the delegate pool was exhausted): nothing is registered.
  bool add(std::uint32_t code, const Delegate& delegate);
  // Disables and unlinks the first enabled delegate with this target and
  // function; false when there is none.
  bool remove(std::uint32_t code, const DelegateKey& key);
  // Disables every delegate (a snapshot still holding one skips it).
  void disableAll();
  // The list for a code, or nullptr.
  const std::vector<Delegate>* find(std::uint32_t code) const;

 private:
  std::map<std::uint32_t, std::vector<Delegate>> lists_;
};

// The handlers collected for one raise: 16 on the stack, more on the heap
// (a raise with more than 16 handlers stays correct; only it allocates).
class HandlerSnapshot {
 public:
  static constexpr std::size_t kInline = 16;

  void append(const Delegate& d) {
    if (count_ < kInline) {
      inline_[count_] = d;
    } else {
      if (overflow_.empty()) overflow_.reserve(kInline);  // one allocation per 16 extra
      overflow_.push_back(d);
    }
    ++count_;
  }
  std::size_t size() const { return count_; }
  const Delegate& operator[](std::size_t i) const {
    return i < kInline ? inline_[i] : overflow_[i - kInline];
  }

 private:
  Delegate inline_[kInline];
  std::size_t count_ = 0;
  std::vector<Delegate> overflow_;
};

}  // namespace dui
