#include "simulation/StopWhen.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "simulation/FormulaWorld.h"
#include "tests/simulation/FilingScope.h"

namespace {

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

class World : public TStopWhenHost {
 public:
  void SetStopFrame(int16_t frame) override { stopFrame = std::min(stopFrame, frame); }
  void ClearStopFrame() override { stopFrame = kNoStopFrame; }
  int16_t stopFrame = kNoStopFrame;
};

TEST(StopWhenTest, ConditionsAreAddressedByTagAndRemovedByNegativeActions) {
  TStopWhen stop;
  World world;
  stop.SetHost(&world);
  EXPECT_EQ(stop.CanReadBlock(5006), 1);
  EXPECT_EQ(stop.CanReadBlock(5013), 0);
  EXPECT_EQ(stop.CanReadBlock(1600), 0);

  EXPECT_EQ(stop.HasAction(MakeTag("PWNs")), 1);
  stop.DoAction(MakeTag("PWNs"));
  stop.DoAction(MakeTag("PWNs"));
  stop.DoAction(MakeTag("PWNs"));
  ASSERT_EQ(stop.GetConditionCount(), 3);
  TFormula* first = stop.GetFormulaProperty(MakeTag("PWe0"), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(TextOf(*first), "time > 1.0");
  EXPECT_EQ(stop.GetFormulaProperty(MakeTag("PWe3"), nullptr, nullptr, nullptr, nullptr), nullptr);

  TFormula condition;
  condition.SetFromPieces("time > 2");
  stop.SetFormulaProperty(MakeTag("PWe2"), condition);
  stop.SetIndexProperty(MakeTag("PWm2"), kPauseActionStop);
  int16_t action = -1;
  uint16_t enabled = 0;
  EXPECT_EQ(stop.GetIndexProperty(MakeTag("PWm2"), action, enabled), 1);
  EXPECT_EQ(action, kPauseActionStop);
  EXPECT_EQ(enabled, 1);

  // Removing the second moves the third down; the stop action leaves, so does the stop frame.
  world.stopFrame = 40;
  stop.SetIndexProperty(MakeTag("PWm1"), -1);
  EXPECT_EQ(stop.GetConditionCount(), 2);
  EXPECT_EQ(world.stopFrame, 40);
  EXPECT_EQ(TextOf(*stop.GetCondition(2)), "time > 2");
  stop.SetIndexProperty(MakeTag("PWm1"), kPauseActionReset);
  EXPECT_EQ(world.stopFrame, kNoStopFrame);
  EXPECT_EQ(stop.GetIndexProperty(MakeTag("PWm7"), action, enabled), 0);
}

TEST(StopWhenTest, ConditionsActWhenTheyBecomeTrue) {
  TStopWhen stop;
  World host;
  stop.SetHost(&host);
  stop.SetConditionCount(2);
  stop.SetAction(1, kPauseActionStop);
  stop.GetCondition(2)->SetFromPieces("time > 3");
  stop.SetAction(2, kPauseActionLoop);
  TFormulaWorld world;

  world.SetTime(0.5);
  EXPECT_EQ(stop.TestConditions(&world, 5), -1);
  world.SetTime(1.5);
  EXPECT_EQ(stop.TestConditions(&world, 6), kPauseActionStop);
  EXPECT_EQ(host.stopFrame, 6);
  // Still true: nothing new happens.
  world.SetTime(1.6);
  EXPECT_EQ(stop.TestConditions(&world, 7), -1);
  world.SetTime(3.5);
  EXPECT_EQ(stop.TestConditions(&world, 8), kPauseActionLoop);
  stop.ClearMarks();
  EXPECT_EQ(stop.TestConditions(&world, 8), kPauseActionStop);

  // A condition naming an object the world does not hold fails clearly.
  stop.GetCondition(1)->SetFromPieces("body[3].p.x > 0");
  EXPECT_THROW(stop.TestConditions(&world, 9), QVException);
}

TEST(StopWhenTest, RecordedValuesActWhenTheyBecomeTrueAndNoneNeverActs) {
  TStopWhen stop;
  World host;
  stop.SetHost(&host);
  stop.SetConditionCount(3);
  stop.SetAction(1, kPauseActionStop);
  stop.SetAction(3, kPauseActionReset);
  // The value meaning "none", a value that is not a number and a missing value do not hold.
  EXPECT_EQ(stop.TestValues({1.7976931348623157e308, std::nan(""), 0.0}, 4), -1);
  EXPECT_EQ(stop.TestValues({0.0, 0.5}, 5), kPauseActionPause);
  EXPECT_EQ(host.stopFrame, kNoStopFrame);
  EXPECT_EQ(stop.TestValues({1.0, 0.5, 2.0}, 6), kPauseActionStop);
  EXPECT_EQ(host.stopFrame, 6);
  EXPECT_EQ(stop.TestValues({1.0, 0.5, 2.0}, 7), -1);
  // Shown frame -1 (the history was reset) forgets what held.
  stop.FrameChanged(-1, 0, -1);
  EXPECT_EQ(stop.TestValues({0.0, 0.0, 2.0}, 8), kPauseActionReset);
}

TEST(StopWhenTest, TheConditionsAreTheElementListTheSolverRecords) {
  simulation_test::FilingScope scope;
  TStopWhen stop;
  stop.SetConditionCount(2);
  stop.GetCondition(2)->SetFromPieces("body[3].p.r < 0");
  EXPECT_EQ(stop.CountElements(), 2);
  // Handed to the solver (blocks of 5000 and above left out): the element list alone.
  std::vector<TLink*> objects{&stop};
  auto writer = WriteObjectsDefault(&objects, 0, nullptr, 1, nullptr);
  Handle handle = writer->TakeHandle();
  const std::string stream(HandleData(handle), GetHandleByteSize(handle));
  FreeHandle(handle);
  auto occurrences = [&stream](const std::string& text) {
    int count = 0;
    for (size_t at = stream.find(text); at != std::string::npos; at = stream.find(text, at + 1))
      ++count;
    return count;
  };
  EXPECT_EQ(occurrences("time > 1.0"), 1);
  EXPECT_EQ(occurrences("body[3].p.r < 0"), 1);
  // A document keeps both: read back, the conditions come from their own block once.
  const auto read = scope.RoundTrip<TStopWhen>(stop);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->GetConditionCount(), 2);
  EXPECT_EQ(TextOf(*read->GetCondition(2)), "body[3].p.r < 0");
}

TEST(StopWhenTest, ConditionsAreFiledInTheirBlock) {
  simulation_test::FilingScope scope;
  TStopWhen stop;
  stop.SetConditionCount(3);
  stop.GetCondition(1)->SetConstant(0.0);
  stop.GetCondition(2)->SetFromPieces("Input[4] >= 2");
  stop.SetAction(2, kPauseActionReset);
  stop.SetAction(3, kPauseActionStop);
  const auto read = scope.RoundTrip<TStopWhen>(stop);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->GetConditionCount(), 3);
  EXPECT_FALSE(read->GetCondition(1)->IsFormula());
  EXPECT_EQ(TextOf(*read->GetCondition(2)), "Input[4] >= 2");
  EXPECT_EQ(read->GetCondition(2)->action, kPauseActionReset);
  EXPECT_EQ(TextOf(*read->GetCondition(3)), "time > 1.0");
  EXPECT_EQ(read->GetCondition(3)->action, kPauseActionStop);
}

}  // namespace
