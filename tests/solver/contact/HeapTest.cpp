// The struck heap of balls in accurate mode runs on while it packs, losing energy as a fast run
// of it does. Balls pressed together by their own friction can stick within their bounds or be
// held at bounds low enough that the normal forces they leave keep them there: the accelerations
// must not depend on which the evaluation before found, or the variable step shrinks to nothing.
// Friction rounds that go on plain from round to round creep or swing there and run out instead
// of settling.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/contact/HeapScene.h"

namespace yb::dynamics {
namespace {

RunSettings Settings(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  settings.animationStep = 1.0 / 60;
  return settings;
}

// Kinetic energy and the potential energy of the balls' weight.
double Energy(const Simulation& sim) {
  const Mechanics& mechanics = sim.GetMechanics();
  double energy = mechanics.KineticEnergy();
  for (int b = 3; b < mechanics.BodyCount(); ++b)
    energy += mechanics.GetModel().bodies[b].mass * scenes::kGravity * mechanics.Body(b).y;
  return energy;
}

// Three rows of four balls, the striker just above them: they pack as the scene's twenty do, the
// step stalling there within the frames run when the rounds start from the evaluation before and
// go on plain, for a twentieth of the time the twenty take in a checked build.
Model SmallHeap() {
  Model model = heap::Heap(false, 3, 4);
  model.bodies.back().y = 1.5;
  return model;
}

// Over most of a second the heap packs: accurate mode runs through it, its energy never growing,
// and comes to about where fast mode does.
TEST(Heap, PacksInAccurateModeLosingEnergyAsAFastRunDoes) {
  Simulation accurate(SmallHeap(), Settings(RunMode::Accurate));
  Simulation fast(SmallHeap(), Settings(RunMode::Fast));
  const double start = Energy(accurate);
  double last = start;
  for (int frame = 1; frame <= 45; ++frame) {
    ASSERT_NO_THROW(accurate.AdvanceTo(frame / 60.0)) << "frame " << frame;
    ASSERT_NO_THROW(fast.AdvanceTo(frame / 60.0)) << "frame " << frame;
    const double energy = Energy(accurate);
    EXPECT_LE(energy, last + 1e-9 * start) << "frame " << frame;
    last = energy;
  }
  // Most of the energy went in the impacts and the slipping; the rest is the weight of a heap
  // that comes to rest the same way in both modes.
  EXPECT_LT(last, 0.5 * start);
  EXPECT_NEAR(last, Energy(fast), 0.15 * start);
  // Friction settled in all but the odd solve: few fell back to letting sliding balls slide
  // freely.
  EXPECT_LT(100 * accurate.GetMechanics().UnsettledFrictionSolves(),
            accurate.Statistics().evaluations);
}

// Forty balls of one size poured in rows into the heap's box, no striker: as they land on each
// other and the floor their contacts open, close, stick and slip by the dozen. A point left a
// hair inside its contact and opening out of it must not end every collision search at its first
// trial: the steps shrank until the run stopped in its 34th frame.
Model Pour() {
  Model model = heap::Heap(false, 0, 0);
  model.bodies.pop_back();
  std::vector<int> balls;
  for (int k = 0; k < 40; ++k)
    balls.push_back(model.AddBody(heap::Ball(-1.2 + 0.25 * (k % 10) + 0.01 * (k / 10 % 2),
                                             0.2 + 0.25 * (k / 10), 0.1, 0, 0, 0)));
  model.fields.at(0).members = balls;
  return model;
}

TEST(Heap, PouredBallsRunOnInBothModesWithoutOverlapOrEnergyGained) {
  for (const RunMode mode : {RunMode::Accurate, RunMode::Fast}) {
    SCOPED_TRACE(mode == RunMode::Accurate ? "accurate" : "fast");
    const RunSettings settings = Settings(mode);
    Simulation sim(Pour(), settings);
    const double start = Energy(sim);
    double most = start;
    for (int frame = 1; frame <= 34; ++frame) {
      ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << "frame " << frame;
      most = std::max(most, Energy(sim));
    }
    EXPECT_LE(most, start + 1e-6 * std::abs(start));
    const Mechanics& mechanics = sim.GetMechanics();
    double deepest = 0;
    for (int a = 3; a < mechanics.BodyCount(); ++a) {
      if (mechanics.GetModel().bodies[a].anchored != 0) continue;
      const BodyState p = mechanics.Body(a);
      EXPECT_GT(p.y, 0.1 - settings.overlapError) << "ball " << a;
      EXPECT_LT(std::abs(p.x), 1.3 + settings.overlapError) << "ball " << a;
      for (int b = a + 1; b < mechanics.BodyCount(); ++b) {
        if (mechanics.GetModel().bodies[b].anchored != 0) continue;
        const BodyState q = mechanics.Body(b);
        deepest = std::max(deepest, 0.2 - std::hypot(p.x - q.x, p.y - q.y));
      }
    }
    EXPECT_LT(deepest, mode == RunMode::Accurate ? settings.overlapError : 0.01);
  }
}

}  // namespace
}  // namespace yb::dynamics
