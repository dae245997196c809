// How the variable step crosses a frame: in steps of one length rather than long ones and a
// sliver.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// The end of every step the run takes, as a condition that never crosses sees them: it is read
// at the end of each step tried and of each step accepted.
struct StepEnds {
  std::vector<double> times;
  void Watch(Simulation& sim) {
    sim.AddCondition(Value::Formula([this](const Context& context) {
                       times.push_back(context.Time());
                       return 1.0;
                     }),
                     false);
  }
  // The lengths of the steps that ended after `from`, up to and with `to`.
  std::vector<double> Lengths(double from, double to) const {
    std::vector<double> ends{from};
    for (const double t : times)
      if (t > from && t <= to && t > ends.back()) ends.push_back(t);
    std::vector<double> lengths;
    for (size_t k = 1; k < ends.size(); ++k)
      lengths.push_back(ends[k] - ends[k - 1]);
    return lengths;
  }
};

TEST(StepChoice, AFrameIsCrossedInStepsOfOneLengthWithoutASliver) {
  scenes::Pendulum pendulum(1.0);
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  Simulation sim(pendulum.model, settings);
  StepEnds ends;
  ends.Watch(sim);
  const double frame = settings.animationStep;
  int split = 0;
  for (int f = 1; f <= 30; ++f) {
    ASSERT_TRUE(sim.AdvanceTo(f * frame));
    // The first frame's first step is a guess of its own.
    if (f == 1) continue;
    const std::vector<double> lengths = ends.Lengths((f - 1) * frame, f * frame);
    ASSERT_FALSE(lengths.empty()) << "frame " << f;
    const auto [shortest, longest] = std::minmax_element(lengths.begin(), lengths.end());
    // Steps after one that came out shorter than the error allowed are made shorter together.
    EXPECT_GE(*shortest, 0.4 * *longest) << "frame " << f;
    split += lengths.size() > 1 ? 1 : 0;
  }
  EXPECT_GT(split, 0) << "no frame took more than one step";
}

}  // namespace
}  // namespace yb::dynamics
