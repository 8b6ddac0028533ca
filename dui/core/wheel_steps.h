// WheelSteps: turns mouse wheel deltas into whole steps and keeps what is left
// over between messages, so the small deltas that precision touchpads and
// smooth wheels send add up instead of each doing nothing. Window-free.
#pragma once

#include <cstdint>

namespace dui {

class WheelSteps {
 public:
  static constexpr std::int32_t kNotch = 120;   // WHEEL_DELTA: one notch of a classic wheel

  // Adds `delta` wheel units and answers the whole steps they complete at
  // `stepsPerNotch` steps a notch (2 for two items, 48 for 48 pixels, ...),
  // in the delta's direction: positive for a wheel turned away from the
  // user. The remainder waits for the next delta; turning the other way
  // drops it, so a reversal takes effect as soon as a step is complete.
  std::int32_t take(std::int32_t delta, std::int32_t stepsPerNotch);
  // Forgets the remainder.
  void reset() { pending_ = 0; }
  // What is waiting, in wheel units times stepsPerNotch (for tests).
  std::int64_t pending() const { return pending_; }

 private:
  std::int64_t pending_ = 0;
};

}  // namespace dui
