// The struck heap of balls in accurate mode runs on while it packs, losing energy as a fast run
// of it does. Balls pressed together by their own friction can stick within their bounds or be
// held at bounds low enough that the normal forces they leave keep them there: the accelerations
// must not depend on which the evaluation before found, or the variable step shrinks to nothing.
// Friction rounds that go on plain from round to round creep or swing there and run out instead
// of settling.

#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace yb::dynamics
