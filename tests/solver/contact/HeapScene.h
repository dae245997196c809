#pragma once
// A spinning, sliding heap of balls in a box, struck from the side by a fast one: its balls
// collide, roll, stick and slip against each other and the walls, and pack together.

#include <vector>

#include "solver/dynamics/Model.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics::heap {

inline Body Ball(double x, double y, double radius, double vx, double vy, double vr) {
  Body b = scenes::Disk(x, y, 1 + radius, radius);
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = 2 * radius;
  b.staticFriction = 0.6;
  b.kineticFriction = 0.4;
  b.elasticity = 0.3;
  b.vx = vx;
  b.vy = vy;
  b.vr = vr;
  return b;
}

// The walls are bodies 0 to 2, the striker the last body. The heap is `rows` rows of `perRow`
// balls. A record that is never active (`inertRecord`) changes nothing in the motion.
inline Model Heap(bool inertRecord = false, int rows = 4, int perRow = 5) {
  Model model;
  auto wall = [&](double x, double y, double w, double h) {
    Body b;
    b.anchored = 1;
    b.x = x;
    b.y = y;
    b.shape.kind = Shape::Kind::Rectangle;
    b.shape.w = w;
    b.shape.h = h;
    b.staticFriction = 0.6;
    b.kineticFriction = 0.4;
    b.elasticity = 0.3;
    model.AddBody(b);
  };
  wall(0, -0.5, 4, 1);
  wall(-1.5, 1, 0.2, 3);
  wall(1.5, 1, 0.2, 3);
  std::vector<int> moving;
  for (int row = 0; row < rows; ++row)
    for (int k = 0; k < perRow; ++k) {
      const double radius = 0.1 + 0.02 * ((row + k) % 3);
      moving.push_back(model.AddBody(Ball(-0.9 + 0.45 * k + 0.05 * (row % 2), 0.15 + 0.4 * row,
                                          radius, 0.3 * (k - 2), 0, 4.0 * (row - 1.5))));
    }
  moving.push_back(model.AddBody(Ball(-1.2, 1.9, 0.12, 3, -1, -8)));
  model.AddField(MakeLineGravity(moving, scenes::kGravity));
  CollisionGroup group;
  group.mode = 1;
  group.includes = false;
  model.collisionGroups.push_back(group);
  if (inertRecord) {
    Constraint pin = MakePin(model.AddPoint(kBackground, 3, 3), model.AddPoint(kBackground, 3, 3));
    pin.activation = 0.0;
    model.AddConstraint(pin);
  }
  return model;
}

}  // namespace yb::dynamics::heap
