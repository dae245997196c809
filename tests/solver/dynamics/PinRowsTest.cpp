// A pin held in the world's frame at constant goals takes a short path to its rows. Its rows must
// be those of the general path to the last bit: the same joint written as a general record in
// the world's frame, which always takes the general path, runs to the same states.

#include <gtest/gtest.h>

#include <cmath>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// The model with every pin written as a general record holding the same goals.
Model AsGeneralRecords(Model model) {
  for (Constraint& c : model.constraints)
    if (c.kind == ConstraintKind::Pin) c.kind = ConstraintKind::Custom;
  return model;
}

void ExpectSameRun(const Model& model, const RunSettings& settings, double duration) {
  Simulation pins(model, settings), general(AsGeneralRecords(model), settings);
  for (int frame = 1; frame * settings.animationStep <= duration + 1e-9; ++frame) {
    pins.AdvanceTo(frame * settings.animationStep);
    general.AdvanceTo(frame * settings.animationStep);
    const Eigen::VectorXd a = pins.GetMechanics().State(), b = general.GetMechanics().State();
    ASSERT_EQ(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i)
      ASSERT_EQ(a[i], b[i]) << "coordinate " << i << " at frame " << frame;
  }
  EXPECT_EQ(pins.Statistics().accepted, general.Statistics().accepted);
  EXPECT_EQ(pins.Statistics().evaluations, general.Statistics().evaluations);
}

TEST(PinRows, AChainRunsAsWithGeneralRecords) {
  // Released horizontal: rows whose rotation entry starts exactly zero and then grows. A world of
  // plain pins alone makes only their velocity terms anew where a projection left the rows: the
  // general records rebuild theirs whole, to the same numbers.
  ExpectSameRun(scenes::Chain(12).model, RunSettings{}, 0.2);
}

TEST(PinRows, AChainLongEnoughForTheSparseFactorisationRunsAsWithGeneralRecords) {
  // Sixty rows are factorised sparse: a world of plain pins then assembles its matrix by a plan
  // kept while the rows leave out the same zeros (none, once the chain has swung from where it
  // was released), and must factorise what the general road factorises, to the last bit.
  ExpectSameRun(scenes::Chain(30).model, RunSettings{}, 0.2);
}

TEST(PinRows, AChainWithARepeatedPinRunsAsWithGeneralRecords) {
  // Rows made anew in place keep what the first selection found: the repeated pin's rows stay out
  // of every solve after it, as a whole build leaves them out each time.
  scenes::Chain chain(12);
  const auto [a, b] = chain.joints[5];
  chain.model.AddConstraint(MakePin(a, b));
  ExpectSameRun(chain.model, RunSettings{}, 0.2);
  Simulation sim(chain.model, RunSettings{});
  sim.AdvanceTo(0.2);
  EXPECT_FALSE(sim.GetMechanics().RedundantConstraints().empty());
  EXPECT_LT((sim.GetMechanics().PointPosition(a) - sim.GetMechanics().PointPosition(b)).norm(),
            1e-12);
}

TEST(PinRows, AFourBarWithAMotorRunsAsWithGeneralRecords) {
  // The motor is a drive on the same points and keeps the general path beside the pins.
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  ExpectSameRun(scenes::FourBar(true).model, RunSettings{}, 0.5);
  ExpectSameRun(scenes::FourBar(true).model, fast, 0.5);
}

TEST(PinRows, AWeldedOrFramedPinKeepsItsOwnRows) {
  // A welded pin holds the rotation too, a pin in a turned frame holds its goals across that
  // frame: both must still hold what they ask, whichever path builds them.
  Model m;
  const int bar = m.AddBody(scenes::Bar(0.5, 0, 0, 1, 1));
  const int hinge = m.AddBody(scenes::Bar(1.5, 0, 0, 1, 1));
  const int pivot = m.AddPoint(kBackground, 0, 0), end = m.AddPoint(bar, -0.5, 0);
  const int tip = m.AddPoint(bar, 0.5, 0), root = m.AddPoint(hinge, -0.5, 0);
  m.AddConstraint(MakePin(pivot, end));
  Constraint welded = MakePin(tip, root, true);
  welded.frameAngle = 0.3;
  m.AddConstraint(welded);
  m.AddField(MakeLineGravity({bar, hinge}, scenes::kGravity));
  Simulation sim(m, RunSettings{});
  sim.AdvanceTo(0.5);
  const Mechanics& mech = sim.GetMechanics();
  EXPECT_LT((mech.PointPosition(pivot) - mech.PointPosition(end)).norm(), 1e-12);
  EXPECT_LT((mech.PointPosition(tip) - mech.PointPosition(root)).norm(), 1e-12);
  EXPECT_NEAR(mech.Body(bar).r, mech.Body(hinge).r, 1e-12);
  EXPECT_GT(std::abs(mech.Body(bar).r), 0.1);  // it swung
}

}  // namespace
}  // namespace yb::dynamics
