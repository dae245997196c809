// Collisions run through the stream road, against the physics a teacher expects.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/solver/contact/ContactScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kG = 9.81;

// A ball dropped on an anchored floor (top at y = 0) keeps e^2 of its energy at each bounce.
TEST(ContactPhysics, BallBouncesWithTheEnergyRatioOfItsElasticitySquared) {
  const double e = 0.8, r = 0.1, h0 = 1.0, m = 2.0;
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 10, 1, 1, {0, 0, e}, 1);
  w.Ball(11, 0, h0 + r, r, m, {0, 0, e});
  w.Gravity(kG).AllCollide(20);
  EngineRun run(w.Finish(1.0 / 50));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 150), kEngineOk);
  auto energy = [&](int f) {
    const double vy = Value(history, f, 1, 4), vx = Value(history, f, 1, 3);
    return 0.5 * m * (vx * vx + vy * vy) + m * kG * (Value(history, f, 1, 1) - r);
  };
  const double e0 = m * kG * h0;
  // The bounces: the frames where the vertical speed turns from down to up.
  std::vector<int> bounces;
  for (int f = 1; f < 150; ++f)
    if (Value(history, f - 1, 1, 4) < 0 && Value(history, f, 1, 4) > 0) bounces.push_back(f);
  ASSERT_GE(bounces.size(), 3u);
  double expected = e0;
  for (size_t k = 0; k + 1 < bounces.size() && k < 3; ++k) {
    expected *= e * e;
    for (int f = bounces[k]; f < bounces[k + 1] - 1; ++f)
      ASSERT_NEAR(energy(f), expected, 1e-6 * e0) << "bounce " << k << " frame " << f;
  }
  for (int f = 0; f < 150; ++f) ASSERT_GT(Value(history, f, 1, 1), r - 1e-6) << f;
}

}  // namespace
}  // namespace yb::stream::testing
