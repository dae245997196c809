// The search for the step length at which an event value crosses zero: few trials where the
// value is smooth, and a bracket that always holds the crossing and closes where it is not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "solver/dynamics/CrossingSearch.h"

namespace yb::dynamics {
namespace {

using Value = std::function<double(double)>;

struct Outcome {
  int trials = 0;
  double lo = 0, hi = 0;
  double lastValue = 0;
};

// Searches [0, h] as the integrator does, each trial checked to lie strictly inside the bracket
// and the bracket to keep the value's sign change. It stops when a trial's value is within
// `band` of zero or the bracket is no wider than `resolution`.
Outcome Search(const Value& f, double h, double resolution, double band = -1, double before = 0) {
  CrossingSearch search(h, f(0), f(h));
  if (before < 0) search.Before(before, f(before));
  Outcome out;
  while (search.Hi() - search.Lo() > resolution && out.trials < 200) {
    const double trial = search.Next(resolution);
    EXPECT_GT(trial, search.Lo());
    EXPECT_LT(trial, search.Hi());
    const double v = f(trial);
    ++out.trials;
    out.lastValue = v;
    const bool found = std::abs(v) <= band;
    search.Add(trial, v, found || v <= 0);
    if (found) break;
    EXPECT_GT(f(search.Lo()), 0) << "the near end lies past the crossing";
    EXPECT_LE(f(search.Hi()), 0) << "the far end lies short of the crossing";
  }
  out.lo = search.Lo();
  out.hi = search.Hi();
  return out;
}

// A body falling onto a floor: the gap closes with its speed and gravity, a parabola in time.
double FallingGap(double t) {
  return 0.02 - 3.0 * t - 0.5 * 9.81 * t * t;
}

TEST(CrossingSearch, AGapClosingAtASteadyAccelerationTakesOneTrialWithTheStepBefore) {
  const double h = 0.01, root = (-3.0 + std::sqrt(9.0 + 2 * 9.81 * 0.02)) / 9.81;
  const Outcome guided = Search(FallingGap, h, 1e-15, 1e-14, -0.004);
  EXPECT_EQ(guided.trials, 1);
  EXPECT_LE(std::abs(guided.lastValue), 1e-14);
  EXPECT_NEAR(guided.hi, root, 1e-14);
  // From the two ends alone: the chord first, then the parabola through the three points.
  const Outcome alone = Search(FallingGap, h, 1e-15, 1e-14);
  EXPECT_EQ(alone.trials, 2);
  EXPECT_NEAR(alone.hi, root, 1e-14);
}

// Where no trial can land close enough, the search must still close the bracket to the
// resolution across the crossing (the ends keep their sides, see Search), in a bounded number of
// trials, whatever the value's shape.
TEST(CrossingSearch, TheBracketClosesOnTheCrossingOfAwkwardValues) {
  struct Case {
    std::string name;
    Value f;
  };
  const Case cases[] = {
      // The nearest of two gaps: the closing pair changes inside the step.
      {"two gaps", [](double t) { return std::min(0.5 - 2 * t, 0.3 - t * t * 40); }},
      // A cubic bending the other way inside the step: the parabolas misjudge it.
      {"cubic", [](double t) { return 0.1 - 4 * (t - 0.3) * (t - 0.3) * (t - 0.3) - 0.2 * t; }},
      // A jump across zero, as a condition that switches.
      {"jump", [](double t) { return t < 0.37 ? 1.0 : -1.0; }},
      // Values within rounding of zero over a stretch past the crossing, or before it: they
      // tell nothing of where it lies.
      {"flat past", [](double t) { return t < 0.6 ? 0.6 - t : -1e-30; }},
      {"flat before", [](double t) { return t < 0.6 ? 1e-30 : 0.6 - t; }},
      // A steep value that creeps near the start, where regula falsi alone stalls.
      {"steep", [](double t) { return std::exp(-40 * t) - 1e-6; }},
  };
  // Three trials for each halving at worst: a search that creeps from one end takes a trial for
  // every resolution it moves.
  const int halvings = static_cast<int>(std::ceil(std::log2(1.0 / 1e-13)));
  for (const Case& c : cases) {
    const Outcome out = Search(c.f, 1.0, 1e-13);
    EXPECT_LE(out.hi - out.lo, 1e-13) << c.name;
    EXPECT_LE(out.trials, 3 * halvings + 2) << c.name;
  }
}

// A trial that lands on the crossing to rounding, on its near side, is followed by one a
// resolution beyond it: the bracket then closes without creeping from the far end.
TEST(CrossingSearch, ALandingAtTheCrossingIsFollowedByATrialAcrossIt) {
  const Value line = [](double t) { return 0.25 - t; };
  CrossingSearch search(1.0, line(0), line(1.0));
  search.Add(0.25, 0.0 + 1e-300, false);
  const double next = search.Next(1e-13);
  EXPECT_NEAR(next, 0.25 + 1e-13, 1e-16);
  search.Add(next, line(next), true);
  EXPECT_LE(search.Hi() - search.Lo(), 1e-13 + 1e-16);
  // A bracket no wider than twice the resolution is split in the middle.
  EXPECT_DOUBLE_EQ(search.Next(1e-13), 0.5 * (search.Lo() + search.Hi()));
}

}  // namespace
}  // namespace yb::dynamics
