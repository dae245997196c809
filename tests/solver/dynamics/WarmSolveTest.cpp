// A pile's evaluation answers for its state alone, whether its solve starts from the answer of
// the evaluation before or from nothing.

#include <gtest/gtest.h>

#include <vector>

#include "solver/dynamics/Mechanics.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// A pyramid of frictionless boxes on a fixed floor: its normal forces are the only answer of
// the solve, so two solves of one state can differ by their rounding alone.
Model FrictionlessPyramid(int rows) {
  Model model;
  auto box = [](double x, double y, double size) {
    Body b = scenes::Bar(x, y, 0, 1, size);
    b.moment = size * size / 6;
    b.shape.kind = Shape::Kind::Rectangle;
    b.shape.w = b.shape.h = size;
    return b;
  };
  Body floor = box(0, -0.5, 1);
  floor.shape.w = 100;
  floor.anchored = 1;
  model.AddBody(floor);
  std::vector<int> boxes;
  const double size = 0.5, gap = 0.025;
  for (int row = 0; row < rows; ++row)
    for (int k = 0; k < rows - row; ++k)
      boxes.push_back(model.AddBody(
          box((k - (rows - row - 1) / 2.0) * (size + gap), size / 2 + row * size, size)));
  model.AddField(MakeLineGravity(boxes, scenes::kGravity));
  CollisionGroup group;
  group.mode = 1;
  group.includes = false;
  model.collisionGroups.push_back(group);
  return model;
}

// A state a step's stage evaluation may meet: the pile where it stands, its top box turning a
// little, which asks the rows under it for other forces.
TEST(WarmSolve, AStageEvaluationOfAPileAnswersAsOneFromNothing) {
  const Model model = FrictionlessPyramid(12);
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
