// Checks through the running program: a meter of the spring-and-pin sample's box, run and taken
// back to the start, shows frame 0's values, which frame 1 changes and a step back brings back.

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";

using namespace spring_and_pin;

class EditingChecks : public SampleScenario {};

TEST_F(EditingChecks, BackAtFrameZeroAMeterShowsFrameZerosRecordedValues) {
  ASSERT_TRUE(StartOnSample(kSample));
  const Box frame = Frame();
  Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
  ASSERT_TRUE(Me().Idle());
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Click({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_TRUE(Me().Idle());
  const Box meter = ChangedBox(empty, Me().Grab(area));
  ASSERT_GE(meter.width, 40) << "no meter appeared";
  ASSERT_GE(meter.height, 12) << "no meter appeared";
  // The meter as placed, before the run: whatever the run shows differs from it.
  const Picture placed = Me().Grab(meter);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(meter) != placed; }))
      << "the meter showed nothing of the run";
  // Some frames later, the run stops with the meter on values of its own.
  const Picture early = Me().Grab(meter);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(meter) != early; }));
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  const Picture stopped = Me().Grab(meter);

  ASSERT_TRUE(Click({"World", "Back to Start"}));
  ASSERT_TRUE(Me().Idle());
  const Picture atZero = Me().Grab(meter);
  EXPECT_NE(atZero, stopped) << "back at the start the meter kept the last frame's values";
  // One frame on the values move away from frame 0's; one back they are frame 0's again.
  ASSERT_TRUE(Click({"World", "Step Forward"}));
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().Grab(meter), atZero) << "frame 1 showed what frame 0 showed";
  ASSERT_TRUE(Click({"World", "Step Back"}));
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(meter), atZero) << "stepping back to frame 0 showed other values";
}

}  // namespace
}  // namespace scenario
