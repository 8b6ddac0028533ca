// WheelSteps: whole wheel steps with the remainder kept.
#include "dui/core/wheel_steps.h"

#include <limits>

namespace dui {

std::int32_t WheelSteps::take(std::int32_t delta, std::int32_t stepsPerNotch) {
  if (stepsPerNotch <= 0 || delta == 0) return 0;
  const std::int64_t scaled = std::int64_t{delta} * stepsPerNotch;
  if ((scaled < 0) != (pending_ < 0)) pending_ = 0;   // turned the other way
  const std::int64_t total = pending_ + scaled;
  const std::int64_t steps = total / kNotch;          // toward zero, either way
  pending_ = total % kNotch;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(steps > kMax ? kMax : steps < kMin ? kMin : steps);
}

}  // namespace dui
