// What the stream reader takes and refuses at the edges of the format, and what the run tells its
// progress callback.

#include <gtest/gtest.h>

#include <vector>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

// A body hanging on a pin from a fixed point, and the weight.
StreamBuilder Hanging() {
  StreamBuilder s;
  s.Body(10, 0.0, -1.0, 0.0, 1.0, 0.1).CircleSize(0.2);
  s.Point(20, 0, 0.0, 0.0);
  s.Point(21, 10, 0.0, 1.0);
  s.Constraint(30, {20, 21}, {PinY(), PinX()});
  s.LineGravity(40, 41, 9.81);
  return s;
}

int32_t ReadResult(const std::vector<uint8_t>& bytes) {
  EngineRun run(bytes);
  return run.readResult;
}

TEST(StreamDetails, TheReaderTakesWhatTheFormatAllowsAndRefusesASecondRunSettings) {
  // A power goal: a motor between the body and the ground that delivers 2 W.
  StreamBuilder power = Hanging();
  power.Point(22, 10, 0.0, 0.0);
  power.Point(23, 0, 0.0, -1.0);
  power.Constraint(31, {22, 23}, {{4, 0, 2, F(2.0)}});
  EXPECT_EQ(ReadResult(power.Finish()), kEngineOk) << "power goal";

  // A force-only field on a group acts on the group's bodies with nothing attached.
  EXPECT_EQ(ReadResult(Hanging().Finish()), kEngineOk) << "field on a group";
  // With nothing attached, position goals hold their formulas at 0 (the constant 0 always
  // holds); other goals have nothing to act on.
  StreamBuilder held = Hanging();
  held.Constraint(32, {}, {PinX(), {1, 0, 1, F("body[10].p.x")}});
  EXPECT_EQ(ReadResult(held.Finish()), kEngineOk) << "position goals on nothing";
  for (const GoalSpec& goal :
       {GoalSpec{2, 0, 0, F("body[10].p.x")}, GoalSpec{1, 1, 0, F("body[10].p.x")},
        GoalSpec{1, 0, 0, F(1.0)}, GoalSpec{0, 0, 0, F(1.0)}}) {
    StreamBuilder loose = Hanging();
    loose.Constraint(32, {}, {goal});
    EXPECT_EQ(ReadResult(loose.Finish()), kEngineBadModel)
        << "goal " << int{goal.type} << " " << int{goal.marking};
  }

  // The background body is object 0 and may be named in a formula.
  StreamBuilder background = Hanging();
  background.Object(60).Elements({F("body[0].p.x + body[10].p.y")});
  EXPECT_EQ(ReadResult(background.Finish()), kEngineOk) << "formula naming the background";

  StreamBuilder twice = Hanging();
  twice.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.01, 1, 1e-9, 1e-12);
  twice.Object(51).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.02, 1, 1e-9, 1e-12);
  EXPECT_EQ(ReadResult(twice.Finish()), kEngineCannotRead) << "two run settings";
}

std::vector<double>* g_framesSeen = nullptr;

int32_t NoteFrame(int32_t*, double frame, double, double, double, double, double) {
  g_framesSeen->push_back(frame);
  return 0;
}

TEST(StreamDetails, TheProgressCallbackHearsOfEachFrameJustComputed) {
  StreamBuilder s = Hanging();
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, false, 0.01, 1, 1e-9, 1e-12);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 8);
  std::vector<double> seen;
  g_framesSeen = &seen;
  for (int call = 0; call < 4; ++call) {
    ASSERT_EQ(run.Step(history, NoteFrame), kEngineOk);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), history.Frames() - 1) << "call " << call;
  }
  g_framesSeen = nullptr;
}

}  // namespace
}  // namespace yb::stream::testing
