#include "solver/dynamics/Model.h"

#include "solver/dynamics/Mechanics.h"

#include <utility>

namespace yb::dynamics {

Model::Model() {
  Body background;
  background.anchored = 1;
  bodies.push_back(background);
}

int Model::AddBody(const Body& body) {
  bodies.push_back(body);
  return static_cast<int>(bodies.size()) - 1;
}

int Model::AddPoint(int body, double x, double y, double r) {
  points.push_back(Point{body, x, y, r});
  return static_cast<int>(points.size()) - 1;
}

int Model::AddConstraint(Constraint constraint) {
  if (constraint.id == kNone) constraint.id = static_cast<int32_t>(constraints.size());
  constraints.push_back(std::move(constraint));
  return static_cast<int>(constraints.size()) - 1;
}

int Model::AddField(Field field) {
  fields.push_back(std::move(field));
  return static_cast<int>(fields.size()) - 1;
}

namespace {

Goal MakeGoal(GoalType type, uint8_t marking, Component component, Value value) {
  return Goal{type, marking, component, std::move(value)};
}

}  // namespace

Constraint MakePin(int a, int b, bool welded) {
  Constraint c;
  c.kind = ConstraintKind::Pin;
  c.points = {a, b};
  if (welded) c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::Rotation, 0.0));
  c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::Y, 0.0));
  c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::X, 0.0));
  return c;
}

Constraint MakeSlot(int onSlot, int slider, bool locked) {
  Constraint c;
  c.kind = ConstraintKind::Slot;
  c.points = {onSlot, slider};
  c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::Y, 0.0));
  if (locked) c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::Rotation, 0.0));
  return c;
}

Constraint MakeRod(std::vector<int> points, Value length, RodType type) {
  Constraint c;
  c.kind = ConstraintKind::Rod;
  c.points = std::move(points);
  c.goals.push_back(
      MakeGoal(GoalType::Position, static_cast<uint8_t>(type), Component::X, std::move(length)));
  return c;
}

Constraint MakeRotationalLimit(int a, int b, Value minimum, Value maximum) {
  Constraint c;
  c.kind = ConstraintKind::Rotational;
  c.points = {a, b};
  c.goals.push_back(
      MakeGoal(GoalType::Position, kLowerLimit, Component::Rotation, std::move(minimum)));
  c.goals.push_back(
      MakeGoal(GoalType::Position, kUpperLimit, Component::Rotation, std::move(maximum)));
  return c;
}

Constraint MakeMotor(int a, int b, GoalType drive, Value value, bool rotational) {
  Constraint c;
  c.kind = rotational ? ConstraintKind::Rotational : ConstraintKind::Linear;
  c.points = {a, b};
  c.goals.push_back(MakeGoal(drive, kEquality, rotational ? Component::Rotation : Component::X,
                             std::move(value)));
  return c;
}

void AddDriveLimit(Constraint& drive, GoalType kind, Value limit) {
  const Component component =
      drive.kind == ConstraintKind::Rotational ? Component::Rotation : Component::X;
  drive.goals.push_back(MakeGoal(kind, kUpperLimit, component, std::move(limit)));
}

Constraint MakeForceLaw(int a, int b, Value law, bool rotational) {
  Constraint c;
  c.kind = rotational ? ConstraintKind::Rotational : ConstraintKind::Linear;
  c.points = {a, b};
  c.goals.push_back(MakeGoal(GoalType::Force, kEquality,
                             rotational ? Component::Rotation : Component::X, std::move(law)));
  return c;
}

Constraint MakeSpring(int a, int b, double k, double restLength, bool rotational) {
  return MakeForceLaw(a, b, Value::Formula([k, restLength](const Context& c) {
                        return -k * (c.Coordinate() - restLength);
                      }),
                      rotational);
}

Constraint MakeDamper(int a, int b, double damping, bool rotational) {
  return MakeForceLaw(a, b,
                      Value::Formula([damping](const Context& c) { return -damping * c.Rate(); }),
                      rotational);
}

Constraint MakeForce(int point, Value fx, Value fy, int frameBody) {
  Constraint c;
  c.kind = ConstraintKind::Force;
  c.frameBody = frameBody;
  c.points = {point};
  c.goals.push_back(MakeGoal(GoalType::Force, kEquality, Component::X, std::move(fx)));
  c.goals.push_back(MakeGoal(GoalType::Force, kEquality, Component::Y, std::move(fy)));
  return c;
}

Constraint MakeTorque(int point, Value torque) {
  Constraint c;
  c.kind = ConstraintKind::Force;
  c.points = {point};
  c.goals.push_back(MakeGoal(GoalType::Force, kEquality, Component::Rotation, std::move(torque)));
  return c;
}

Constraint MakeGear(int centreA, int centreB, double ratio, bool internal) {
  Constraint c;
  c.kind = ConstraintKind::Gear;
  c.points = {centreA, centreB};
  c.ratio = ratio;
  c.internal = internal;
  c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::X, ratio));
  return c;
}

Constraint MakeRack(int pinionCentre, int rackPoint, double radius) {
  Constraint c;
  c.kind = ConstraintKind::Rack;
  c.points = {pinionCentre, rackPoint};
  c.ratio = radius;
  c.goals.push_back(MakeGoal(GoalType::Position, kEquality, Component::X, radius));
  return c;
}

Constraint MakeCurvedSlot(int curvePoint, int slider, std::vector<double> x, std::vector<double> y,
                          bool closed) {
  Constraint c = MakeSlot(curvePoint, slider);
  c.kind = ConstraintKind::CurvedSlot;
  c.curveX = std::move(x);
  c.curveY = std::move(y);
  c.closedCurve = closed;
  return c;
}

Field MakeLineGravity(std::vector<int> members, double g) {
  Field f;
  f.members = std::move(members);
  f.goals.push_back(
      MakeGoal(GoalType::Force, kEquality, Component::Y,
               Value::Formula([g](const Context& c) { return -c.Body(c.Self()).mass * g; })));
  return f;
}

Field MakePlanetaryGravity(std::vector<int> members, double G) {
  Field f;
  f.pairwise = true;
  f.members = std::move(members);
  f.goals.push_back(
      MakeGoal(GoalType::Force, kEquality, Component::X, Value::Formula([G](const Context& c) {
                 const BodyState s = c.Body(c.Self());
                 const BodyState o = c.Body(c.Other());
                 const double dx = s.x - o.x, dy = s.y - o.y;
                 return -s.mass * G / (dx * dx + dy * dy) * o.mass;
               })));
  return f;
}

}  // namespace yb::dynamics
