// Contact rows taken back in place at the same positions run a world exactly as rows made anew
// each time do. A record that is never active makes every build start from nothing, so a world
// with one is the reference for the same world without it.

#include <gtest/gtest.h>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/contact/HeapScene.h"

namespace yb::dynamics {
namespace {

// The struck heap: the rows see new velocities at the same positions after every impact and
// every projection. Both modes while the heap packs and its balls stick and slip: most of a
// second in fast mode, half of one in accurate mode, whose packing after that costs minutes in a
// checked build (the heap's own test runs it).
TEST(ContactRowsInPlace, RunTheHeapAsRowsMadeAnewDo) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const int frames = mode == RunMode::Fast ? 45 : 30;
    SCOPED_TRACE(mode == RunMode::Fast ? "fast" : "accurate");
    RunSettings settings;
    settings.SetRunMode(mode);
    settings.animationStep = 1.0 / 60;
    Simulation inPlace(heap::Heap(false), settings);
    Simulation anew(heap::Heap(true), settings);
    const int bodies = static_cast<int>(heap::Heap().bodies.size());
    for (int frame = 1; frame <= frames; ++frame) {
      inPlace.AdvanceTo(frame / 60.0);
      anew.AdvanceTo(frame / 60.0);
      for (int b = 1; b < bodies; ++b) {
        const auto& p = inPlace.GetMechanics().Body(b);
        const auto& q = anew.GetMechanics().Body(b);
        ASSERT_EQ(p.x, q.x) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.y, q.y) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.r, q.r) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.vx, q.vx) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.vr, q.vr) << "frame " << frame << " body " << b;
      }
    }
    // The striker has moved into the heap: the comparison is not of two worlds at rest.
    EXPECT_GT(inPlace.GetMechanics().Body(bodies - 1).x + 1.2, 0.1);
  }
}

}  // namespace
}  // namespace yb::dynamics
