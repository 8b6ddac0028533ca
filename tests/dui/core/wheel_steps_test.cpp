// WheelSteps: whole steps from wheel deltas, with the remainder kept between
// messages and dropped when the wheel turns the other way.
#include <gtest/gtest.h>

#include <vector>

#include "dui/core/wheel_steps.h"

using dui::WheelSteps;

namespace {

TEST(WheelSteps, DeltasAddUpToWholeStepsAndAReversalDropsTheRest) {
  struct Case {
    const char* name;
    std::int32_t stepsPerNotch;
    std::vector<std::int32_t> deltas;
    std::vector<std::int32_t> steps;   // answered for each delta in turn
  };
  const Case cases[] = {
      {"a notch, two items", 2, {120, -120, 240}, {2, -2, 4}},
      {"quarter notches", 2, {30, 30, 30, 30, 30, 30}, {0, 1, 0, 1, 0, 1}},
      {"single units towards the user", 2, {-25, -25, -25, -25, -25}, {0, 0, -1, 0, -1}},
      {"a smooth wheel, 48 pixels a notch", 48, {1, 1, 1, 10}, {0, 0, 1, 4}},
      {"three lines a notch", 3, {-40, -40, -20, -20}, {-1, -1, 0, -1}},
      {"turned back: the rest is dropped", 2, {50, -50, -20, 10}, {0, 0, -1, 0}},
      {"a notch and a half", 2, {180, 60}, {3, 1}},
      {"no steps per notch", 0, {120, 1200}, {0, 0}},
      {"no delta", 2, {50, 0, 10}, {0, 0, 1}},
      {"the largest delta", 48, {32767, -32768}, {13106, -13107}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WheelSteps wheel;
    ASSERT_EQ(c.deltas.size(), c.steps.size());
    for (std::size_t i = 0; i < c.deltas.size(); ++i)
      EXPECT_EQ(wheel.take(c.deltas[i], c.stepsPerNotch), c.steps[i]) << "delta " << i;
  }
}

TEST(WheelSteps, ResetForgetsTheRemainder) {
  WheelSteps wheel;
  EXPECT_EQ(wheel.take(50, 2), 0);
  EXPECT_EQ(wheel.pending(), 100);
  wheel.reset();
  EXPECT_EQ(wheel.take(10, 2), 0);
  EXPECT_EQ(wheel.pending(), 20);
}

}  // namespace
