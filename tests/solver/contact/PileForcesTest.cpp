// The forces an accurate run finds in a tall pile, box by box: the contact rows repeat each other
// there, friction sits at its bound in places, and the bounded solve pivots rows in and out of
// their bounds from one evaluation to the next. Whatever way each pivot is solved, every box must
// be held by forces that carry exactly its weight, each within its friction cone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81, mu = 0.6;
// Rows of the widest pile here: its factor is made by supernodes.
constexpr int kWideRows = 60;

struct Pile {
  Model model;
  std::vector<int> boxes;
  explicit Pile(int rows, double kineticMu = mu) {
    auto rectangle = [kineticMu](double x, double y, double w, double h) {
      Body body;
      body.x = x;
      body.y = y;
      body.mass = 1;
      body.moment = (w * w + h * h) / 12;
      body.staticFriction = mu;
      body.kineticFriction = kineticMu;
      body.shape.kind = Shape::Kind::Rectangle;
      body.shape.w = w;
      body.shape.h = h;
      return body;
    };
    Body floor = rectangle(0, -0.5, 200, 1);
    floor.anchored = 1;
    model.AddBody(floor);
    const double size = 0.5, gap = 0.025;
    for (int row = 0; row < rows; ++row)
      for (int k = 0; k < rows - row; ++k)
        boxes.push_back(model.AddBody(rectangle((k - (rows - row - 1) / 2.0) * (size + gap),
                                                size / 2 + row * size, size, size)));
    model.AddField(MakeLineGravity(boxes, g));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  }
};

// Checks that the contact forces on each box of the pile carry its weight and nothing more,
// each friction within its cone, and answers how many frictions are at their bound.
int FrictionAtBoundIfEveryBoxIsHeldByItsWeight(const Mechanics& mechanics, const Pile& pile) {
  int atBound = 0;
  for (int box : pile.boxes) {
    Eigen::Vector2d sum(0, 0);
    Mechanics::ContactReport report;
    for (int pair = 1; pair <= mechanics.ContactPairCount(box); ++pair) {
      if (!mechanics.ContactPair(box, pair, report)) {
        ADD_FAILURE() << "no contact report for box " << box << " pair " << pair;
        continue;
      }
      sum += report.force + report.friction;
      const double normal = report.force.norm(), friction = report.friction.norm();
      // Friction rounds end where a tall pile's normal forces stop settling, a few millionths
      // of them.
      EXPECT_LE(friction, mu * normal * (1 + 1e-5) + 1e-12) << "box " << box << " pair " << pair;
      atBound += friction >= mu * normal * (1 - 1e-5) && normal > 0 ? 1 : 0;
    }
    EXPECT_NEAR(sum.x(), 0.0, 1e-6 * g) << "box " << box;
    EXPECT_NEAR(sum.y(), g, 1e-6 * g) << "box " << box;
  }
  return atBound;
}

// A pyramid tall enough that its top boxes' friction meets its bound (the boxes below spread
// under it) and the pivoting changes a few rows from one evaluation to the next.
TEST(PileForces, EveryBoxOfATallAccuratePyramidIsHeldByItsWeightWithinItsFrictionCones) {
  const Pile pile(36);
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  Simulation sim(pile.model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(0.1));
  const Mechanics& mechanics = sim.GetMechanics();
  // The case this pile is here for: some friction is at its bound.
  EXPECT_GT(FrictionAtBoundIfEveryBoxIsHeldByItsWeight(mechanics, pile), 0);
}

// A pile large enough that its friction rounds, once no row changes side, solve for the fixed
// point of the friction held at its bounds rather than approach it round by round: the first
// evaluation (from no forces at all) must still hold every box by its weight, with the held
// friction at exactly its bound.
TEST(PileForces, TheFixedPointOfAWidePilesHeldFrictionHoldsEveryBoxByItsWeight) {
  const Pile pile(kWideRows);
  Mechanics mechanics(pile.model);
  Eigen::VectorXd state = mechanics.State(), d;
  mechanics.Derivative(0.0, state, d);
  EXPECT_GT(mechanics.HeldFrictionSolves(), 0);
  EXPECT_EQ(mechanics.UnsettledFrictionSolves(), 0);
  EXPECT_GT(FrictionAtBoundIfEveryBoxIsHeldByItsWeight(mechanics, pile), 0);
}

// An evaluation from no forces at all takes its first rounds to the fixed point of the friction
// they hold even where they pivoted. It must land where an evaluation started from its own
// answer does, and, asked to solve from nothing each time, answer at a state the same to the bit
// whatever was solved before.
TEST(PileForces, AWidePileSolvedFromNothingAnswersAsAWarmSolveAndByItsStateAlone) {
  const Pile pile(kWideRows);
  Mechanics mechanics(pile.model);
  const Eigen::VectorXd state = mechanics.State();
  Eigen::VectorXd cold, warm;
  mechanics.Derivative(0.0, state, cold);
  EXPECT_GT(mechanics.HeldFrictionSolves(), 0);
  EXPECT_EQ(mechanics.UnsettledFrictionSolves(), 0);
  EXPECT_GT(FrictionAtBoundIfEveryBoxIsHeldByItsWeight(mechanics, pile), 0);
  mechanics.Derivative(0.0, state, warm);
  EXPECT_LT((cold - warm).cwiseAbs().maxCoeff(), 5e-10);

  Mechanics fromNothing(pile.model);
  fromNothing.SolveFromNothing(true);
  const int n = fromNothing.DegreesOfFreedom();
  Eigen::VectorXd other = state, first, between, again;
  other.tail(n) += 0.02 * cold.tail(n);
  fromNothing.Derivative(0.0, state, first);
  fromNothing.Derivative(0.0, other, between);
  fromNothing.Derivative(0.0, state, again);
  EXPECT_EQ(first, again);
  EXPECT_LT((first - cold).cwiseAbs().maxCoeff(), 5e-10);
}

// Evaluations of a pile solve against the factorisation kept from the evaluation before, made at
// other positions and with other rows held at their bounds; each must still answer as a fresh
// solve at its own state does.
TEST(PileForces, EvaluationsAgainstAKeptFactorisationAnswerAsAFreshSolve) {
  const Pile pile(36);
  Mechanics kept(pile.model);
  Eigen::VectorXd first = kept.State(), d;
  kept.Derivative(0.0, first, d);
  // A few hundredths of a second of settling away: other positions, velocities and bounds.
  const int n = kept.DegreesOfFreedom();
  Eigen::VectorXd second = first;
  second.head(n) += 0.5 * 0.02 * 0.02 * d.tail(n);
  second.tail(n) += 0.02 * d.tail(n);
  double largest = 0;
  for (const Eigen::VectorXd* state : {&first, &second, &first, &second}) {
    Mechanics fresh(pile.model);
    Eigen::VectorXd mine, expected;
    kept.Derivative(0.0, *state, mine);
    fresh.Derivative(0.0, *state, expected);
    largest = std::max(largest, (mine - expected).cwiseAbs().maxCoeff());
  }
  // Friction rounds started from other bounds stop a little apart: a few 1e-10 m/s^2. Solved
  // against the kept factorisation without refining, the answer is off by ten times that.
  EXPECT_LT(largest, 5e-10);
}

// A pile's first evaluation after its first velocity projection copies the plan that projection
// made of the same rows (its ordering and analysis cost many factorisations), and the
// factorisation with it: it must answer to the bit as an evaluation that planned its own.
TEST(PileForces, AnEvaluationThatCopiesTheProjectionsPlanAnswersAsOneThatMadeItsOwn) {
  const Pile pile(kWideRows);
  Mechanics copied(pile.model), planned(pile.model);
  const Eigen::VectorXd state = copied.State();
  Eigen::VectorXd projected = state, mine, expected;
  const int64_t before = copied.Factorisations();
  copied.ProjectVelocities(0.0, projected);
  // The projection factorised the pile's rows (at rest, it moves nothing).
  ASSERT_GT(copied.Factorisations(), before);
  ASSERT_EQ(projected, state);
  copied.Derivative(0.0, state, mine);
  planned.Derivative(0.0, state, expected);
  EXPECT_EQ(mine, expected);
}

// The projection of a pile's velocities after each step solves against the factorisation kept
// from the projection before, made at other positions and velocities; each must still leave the
// velocities a fresh projection leaves.
TEST(PileForces, VelocityProjectionsAgainstAKeptFactorisationAnswerAsFreshOnes) {
  const Pile pile(36);
  Mechanics kept(pile.model);
  const int n = kept.DegreesOfFreedom();
  // Two states a step's motion apart: in the first every box sinks, in the second the top box
  // rises off the pile (its contacts let go) while the rest sink.
  Eigen::VectorXd first = kept.State();
  for (int i = 1; i < n; i += 3)
    first[n + i] = -1e-3;
  Eigen::VectorXd second = first;
  second.head(n) += 0.01 * first.tail(n);
  second[2 * n - 2] = 1e-3;
  double largest = 0, moved = 0;
  for (const Eigen::VectorXd* state : {&first, &second, &first, &second}) {
    Mechanics fresh(pile.model);
    Eigen::VectorXd mine = *state, expected = *state;
    kept.ProjectVelocities(0.0, mine);
    fresh.ProjectVelocities(0.0, expected);
    largest = std::max(largest, (mine - expected).tail(n).cwiseAbs().maxCoeff());
    moved = std::max(moved, (expected - *state).tail(n).cwiseAbs().maxCoeff());
  }
  // The projection had work to do, and the kept one did it as a fresh one does.
  EXPECT_GT(moved, 1e-4);
  EXPECT_LT(largest, 1e-12);
}

// A box sliding on a pile: its kinetic friction depends on normal forces that the pile's solve
// finds, so the solve is repeated with the same rows until the two agree. The answer must be
// kinetic friction at exactly its coefficient times the normal force, against the slip, while
// every other contact sticks within its cone. Ten rows are solved as one sparse system, not a
// small dense one.
TEST(PileForces, ABoxSlidingOnAPileFeelsItsKineticFrictionWhileTheRestSticks) {
  constexpr double kinetic = 0.3;
  Pile pile(10, kinetic);
  pile.model.bodies[static_cast<size_t>(pile.boxes.back())].vx = 1;
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  Simulation sim(pile.model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(0.02));
  const Mechanics& mechanics = sim.GetMechanics();
  const int top = pile.boxes.back();
  int sliding = 0;
  for (int box : pile.boxes) {
    Mechanics::ContactReport report;
    for (int pair = 1; pair <= mechanics.ContactPairCount(box); ++pair) {
      ASSERT_TRUE(mechanics.ContactPair(box, pair, report));
      const double normal = report.force.norm(), friction = report.friction.norm();
      if (box == top) {
        ASSERT_GT(normal, 0.1 * g);
        EXPECT_NEAR(friction, kinetic * normal, 1e-6 * normal) << "pair " << pair;
        EXPECT_LT(report.friction.x(), 0) << "pair " << pair;
        ++sliding;
        continue;
      }
      EXPECT_LE(friction, mu * normal * (1 + 1e-5) + 1e-12) << "box " << box;
    }
  }
  // The top box rests on the two below it.
  EXPECT_EQ(sliding, 2);
}

// A fast run sweeps a pile this large; its kinetic friction is below its static friction, so
// the sweeps' friction rounds look for manifolds to turn kinetic. Its first evaluation starts
// from no forces, the next from the forces of the first at other positions: each must hold every
// box by its weight within its cones, and the one started from the last forces must answer as
// one started afresh at its own state.
TEST(PileForces, AFastPilesSweepsStartedFromTheLastForcesAnswerAsOnesStartedAfresh) {
  const Pile pile(36, 0.4);
  Mechanics kept(pile.model);
  kept.SetSweptContacts(true);
  Eigen::VectorXd first = kept.State(), d;
  kept.Derivative(0.0, first, d);
  EXPECT_EQ(kept.ExactPileSolves(), 0);
  FrictionAtBoundIfEveryBoxIsHeldByItsWeight(kept, pile);
  const int n = kept.DegreesOfFreedom();
  Eigen::VectorXd second = first;
  second.head(n) += 0.5 * 0.02 * 0.02 * d.tail(n);
  second.tail(n) += 0.02 * d.tail(n);
  Eigen::VectorXd mine, expected;
  kept.Derivative(0.0, second, mine);
  EXPECT_EQ(kept.ExactPileSolves(), 0);
  FrictionAtBoundIfEveryBoxIsHeldByItsWeight(kept, pile);
  Mechanics fresh(pile.model);
  fresh.SetSweptContacts(true);
  fresh.Derivative(0.0, second, expected);
  // Both settle to a part in 1e10 of the free fall; the pile's forces are not unique, its
  // accelerations nearly so.
  EXPECT_LT((mine - expected).cwiseAbs().maxCoeff(), 1e-8 * g);
}

}  // namespace
}  // namespace yb::dynamics
