// Fields handed over in a stream: goals that read only masses and charges are worked out once per
// body, and must still give each body its own force; goals that read the time, an input or a
// place must go on changing with them.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kG = 9.81;

// Four free bodies far apart. Field 41 (gravity and a push by charge) acts on all but 11 and 13,
// so that its members are not the first bodies in order; field 43 acts on 13 alone with goals
// that read the time, an input and the body's rotation.
std::vector<uint8_t> FieldWorld() {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.5);
  s.Body(11, 5.0, 0.0, 0.0, 2.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 2.0);
  s.Body(12, 10.0, 0.0, 0.0, 4.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
  s.Body(13, 15.0, 0.0, 0.1, 2.0, 1.0);
  s.Group(40, 0, false, 0, {11, 13});
  s.Constraint(41, {}, {{0, 0, 1, F("-self.mass*(9.81)")}, {0, 0, 0, F("3*self.charge")}}, 0,
               0.0, 1.0, 40);
  s.Group(42, 0, true, 0, {13});
  s.Constraint(43, {},
               {{0, 0, 0, F("self.mass*time")},
                {0, 0, 1, F("-self.mass*Input[60]")},
                {0, 0, 2, F("-4*self.p.r")}},
               0, 0.0, 1.0, 42);
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.1, 1, 1e-12, 1e-13);
  return s.Finish();
}

TEST(StreamField, GoalsOfMassesAndChargesPushEachMemberByItsOwnValues) {
  EngineRun run(FieldWorld());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(40, 32);
  run.SetInputs({{60, 2.0}});
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  run.SetInputs({{60, 5.0}});
  ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
  for (int f = 0; f <= 20; ++f) {
    const double t = f * 0.1, fall = -kG * t * t / 2;
    // x, y of each body; a frame holds 8 values per body.
    EXPECT_NEAR(history.Value(f, 0), 3 * 0.5 / 1.0 * t * t / 2, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 1), fall, 1e-9) << f;
    EXPECT_EQ(history.Value(f, 8), 5.0) << f;
    EXPECT_EQ(history.Value(f, 9), 0.0) << f;
    EXPECT_NEAR(history.Value(f, 16), 10 + 3 * 1.0 / 4.0 * t * t / 2, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 17), fall, 1e-9) << f;
    // Body 13: pushed along x by m t, along y by the input of the call, turned back to rest.
    EXPECT_NEAR(history.Value(f, 24), 15 + t * t * t / 6, 1e-9) << f;
    const double y = t <= 1.0 ? -2.0 * t * t / 2 : -1.0 - 2.0 * (t - 1) - 5.0 * (t - 1) * (t - 1) / 2;
    EXPECT_NEAR(history.Value(f, 25), y, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 26), 0.1 * std::cos(2 * t), 1e-9) << f;
  }
}

// A goal that cannot be worked out for a body fails when the world runs, as it did when every
// goal ran at every evaluation: a field on single bodies has no other body.
TEST(StreamField, AGoalNamingWhatItsFieldLacksStillStopsTheRun) {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 1.0, 1.0);
  s.Group(40, 0, false, 0, {});
  s.Constraint(41, {}, {{0, 0, 1, F("-other.mass*(9.81)")}}, 0, 0.0, 1.0, 40);
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.1, 1, 1e-12, 1e-13);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(10, 8);
  const int32_t result = run.RunTo(history, 3);
  EXPECT_NE(result, kEngineOk);
  EXPECT_LE(history.Frames(), 1);
}

}  // namespace
}  // namespace yb::stream::testing
