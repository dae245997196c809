// A rope record through more than two points, handed over in the stream: a pulley. The loads
// follow the lift the masses give until the lighter one is drawn onto its pulley point; the run
// then answers that it cannot go on, naming the load, and keeps every frame before.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kG = 9.81;
constexpr double kLight = 1, kHeavy = 2;

// Two loads 1 m below two pulley points 1 m apart, a rope of 3 m through all four points.
std::vector<uint8_t> Hoist() {
  StreamBuilder s;
  s.Object(1).Elements({});
  s.Body(10, -0.5, -1.0, 0.0, kLight, 0.01).CircleSize(0.2);
  s.Body(11, 0.5, -1.0, 0.0, kHeavy, 0.02).CircleSize(0.2);
  s.Point(20, 10, 0.0, 0.0);
  s.Point(21, 0, -0.5, 0.0);
  s.Point(22, 0, 0.5, 0.0);
  s.Point(23, 11, 0.0, 0.0);
  s.Constraint(30, {20, 21, 22, 23}, {{1, 2, 0, F(3.0)}});  // a rope: position, x, marked 2
  s.LineGravity(40, 41, kG);
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.05, 1, 1e-9, 1e-12);
  return s.Finish();
}

TEST(PulleyStream, TheLighterLoadRisesOntoItsPulleyAndTheRunStopsThere) {
  EngineRun run(Hoist());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(48, 16);
  // Two seconds asked for; the light load arrives after sqrt(2 / a) = 0.78 s.
  const int32_t result = run.RunTo(history, 41);
  const double a = kG * (kHeavy - kLight) / (kHeavy + kLight);
  const double contact = std::sqrt(2 / a);
  EXPECT_EQ(result, kEngineCannotContinue);
  EXPECT_EQ(run.status[1], 10);  // the load that reached the pulley
  const int32_t frames = history.Frames();
  EXPECT_EQ(frames, static_cast<int32_t>(std::floor(contact / 0.05)) + 1);
  // A frame is x, y, rotation, vx, vy, angular velocity, cos, sin per body.
  for (int32_t f = 0; f < frames; ++f) {
    const double t = 0.05 * f;
    const double rise = 0.5 * a * t * t;
    EXPECT_NEAR(history.Value(f, 1), -1 + rise, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 9), -1 - rise, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 4), a * t, 1e-9) << f;
  }
}

}  // namespace
}  // namespace yb::stream::testing
