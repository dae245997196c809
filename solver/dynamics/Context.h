#pragma once
// What a formula may read of the running world while it is evaluated: the time, every body's
// state and properties, the constraint forces of the last evaluation, the coordinate and rate of
// a constraint, and the bodies a field is applied to (self, other).

#include "solver/dynamics/Model.h"

namespace yb::dynamics {

class Mechanics;

struct BodyState {
  double x, y, r, vx, vy, vr;  // the reference point and the rotation
  double mass, moment, charge;
};

class Context {
 public:
  Context(const Mechanics& mechanics, double time) : mechanics_(mechanics), time_(time) {}
  Context WithTime(double time) const {
    Context c = *this;
    c.time_ = time;
    return c;
  }
  Context WithSelf(int self, int other = kNone) const {
    Context c = *this;
    c.self_ = self;
    c.other_ = other;
    return c;
  }
  Context WithConstraint(int constraint) const {
    Context c = *this;
    c.constraint_ = constraint;
    return c;
  }

  double Time() const { return time_; }
  int Self() const { return self_; }
  int Other() const { return other_; }
  // The constraint whose goals are being evaluated, or kNone.
  int CurrentConstraint() const { return constraint_; }
  int BodyCount() const;
  BodyState Body(int index) const;
  // The acceleration of a body's reference point and its angular acceleration, from the last
  // evaluation of the equations of motion.
  void BodyAcceleration(int index, double& ax, double& ay, double& ar) const;
  int PointCount() const;
  // World position (x, y, direction) and velocity of a point.
  void PointState(int point, double p[3], double v[3]) const;
  // The constraint with the identifier formulas use, or kNone.
  int FindConstraint(int32_t id) const;
  bool IsRotational(int constraint) const;
  double Input(int number) const;  // 1-based; NaN when there is no such input
  int InputCount() const;
  double FrameStep() const;
  const Model& GetModel() const;
  const Mechanics& GetMechanics() const { return mechanics_; }
  // Constraint force (or torque for kRotation) of a record from the last evaluation, in the
  // record's frame; zero for records that hold nothing.
  double ConstraintForce(int constraint, Component component) const;
  // The coordinate a record acts on and its rate: the distance (or relative rotation) between
  // its ends.
  double ConstraintCoordinate(int constraint) const;
  double ConstraintRate(int constraint) const;
  // The turn of a record's last point against its first, and its rate.
  double ConstraintTurn(int constraint) const;
  double ConstraintTurnRate(int constraint) const;
  // Convenience for force laws of the record being evaluated.
  double Coordinate() const { return ConstraintCoordinate(constraint_); }
  double Rate() const { return ConstraintRate(constraint_); }

 private:
  const Mechanics& mechanics_;
  double time_;
  int self_ = kNone;
  int other_ = kNone;
  int constraint_ = kNone;
};

}  // namespace yb::dynamics
