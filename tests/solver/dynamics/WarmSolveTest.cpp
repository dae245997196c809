// A pile's evaluation answers for its state alone, whether its solve starts from the answer of
// the evaluation before or from nothing.

#include <gtest/gtest.h>

#include "solver/dynamics/Mechanics.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// A state a step's stage evaluation may meet: the pile where it stands, its top box turning a
// little, which asks the rows under it for other forces.
TEST(WarmSolve, AStageEvaluationOfAPileAnswersAsOneFromNothing) {
  // Without friction the normal forces are the solve's only answer, so two solves of one state
  // can differ by their rounding alone.
  const Model model = scenes::Pyramid(12, 0.0).model;
  Mechanics warm(model), cold(model);
  const Eigen::VectorXd start = warm.State();
  const int dof = warm.DegreesOfFreedom();
  Eigen::VectorXd first, atStage, fromNothing;
  warm.Derivative(0.0, start, first);
  Eigen::VectorXd stage = start;
  stage[2 * dof - 1] = 1e-3;
  warm.Derivative(1e-3, stage, atStage);
  cold.Derivative(1e-3, stage, fromNothing);
  ASSERT_EQ(atStage.size(), fromNothing.size());
  EXPECT_GT((atStage - first).tail(dof).lpNorm<Eigen::Infinity>(), 1e-9);
  EXPECT_LE((atStage - fromNothing).tail(dof).lpNorm<Eigen::Infinity>(),
            1e-9 * scenes::kGravity);
}

}  // namespace
}  // namespace yb::dynamics
