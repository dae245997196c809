#include "solver/dynamics/Mechanics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>

#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

Mechanics::Mechanics(Model model) : model_(std::move(model)) {
  const int bodies = BodyCount();
  if (bodies < 1) throw DynamicsError{kErrBadModel, "no background body"};
  q_.assign(3 * bodies, 0.0);
  v_.assign(3 * bodies, 0.0);
  bodyKin_.resize(bodies);
  for (int i = 0; i < bodies; ++i) {
    const dynamics::Body& b = model_.bodies[i];
    const bool fixed = i == kBackground || b.anchored != 0;
    if (!fixed) {
      if (!(b.mass > 0) || !(b.moment > 0) || !std::isfinite(b.mass) || !std::isfinite(b.moment))
        throw DynamicsError{kErrBadModel, "a free body needs a positive mass and moment"};
      bodyKin_[i].dof = dofCount_;
      dofCount_ += 3;
    }
    const Vector2d arm = Rotate(b.r, b.comX, b.comY);
    q_[3 * i] = b.x + arm.x();
    q_[3 * i + 1] = b.y + arm.y();
    q_[3 * i + 2] = b.r;
    if (!fixed) {
      v_[3 * i] = b.vx - b.vr * arm.y();
      v_[3 * i + 1] = b.vy + b.vr * arm.x();
      v_[3 * i + 2] = b.vr;
    }
  }
  for (const Point& p : model_.points)
    if (p.body < 0 || p.body >= bodies) throw DynamicsError{kErrBadModel, "a point has no body"};
  for (const Constraint& c : model_.constraints) {
    for (int p : c.points)
      if (p < 0 || p >= static_cast<int>(model_.points.size()))
        throw DynamicsError{kErrBadModel, "a constraint names a point that does not exist"};
    const size_t needed = c.kind == ConstraintKind::Expression ? 0
                          : c.kind == ConstraintKind::Force    ? 1
                                                               : 2;
    if (c.kind == ConstraintKind::Expression)
      for (const Goal& goal : c.goals)
        if (goal.type != GoalType::Position || goal.marking != kEquality)
          throw DynamicsError{kErrNotBuilt, "a formula constraint holds position goals only"};
    if (c.points.size() < needed)
      throw DynamicsError{kErrBadModel, "a constraint has too few points"};
    if (c.frameBody >= bodies) throw DynamicsError{kErrBadModel, "a frame body does not exist"};
    if (c.kind == ConstraintKind::CurvedSlot) {
      if (c.curveX.size() != c.curveY.size())
        throw DynamicsError{kErrBadModel, "a curved slot's coordinates do not pair up"};
      for (const Goal& goal : c.goals)
        if (IsKinematic(goal.type) && goal.component != Component::Y)
          throw DynamicsError{kErrNotBuilt, "a curved slot holds its points on the curve only"};
    }
    if (c.kind == ConstraintKind::Gear && !(std::abs(c.ratio) > 0 && std::isfinite(c.ratio)))
      throw DynamicsError{kErrBadModel, "a gear needs a non-zero ratio"};
    if (c.kind == ConstraintKind::Gear && c.internal && std::abs(c.ratio - 1) < 1e-12)
      throw DynamicsError{kErrBadModel, "an internal gear cannot have ratio 1"};
  }
  for (const Field& f : model_.fields)
    for (int m : f.members)
      if (m < 0 || m >= bodies) throw DynamicsError{kErrBadModel, "a field member does not exist"};

  invMass_.resize(dofCount_);
  force_.resize(dofCount_);
  for (int i = 0; i < bodies; ++i) {
    const int dof = bodyKin_[i].dof;
    if (dof < 0) continue;
    invMass_[dof] = invMass_[dof + 1] = 1.0 / model_.bodies[i].mass;
    invMass_[dof + 2] = 1.0 / model_.bodies[i].moment;
  }
  const size_t n = model_.constraints.size();
  curves_.resize(n);
  feet_.assign(n, SplineFoot{});
  pendingFeet_ = feet_;
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind != ConstraintKind::CurvedSlot) continue;
    std::vector<double> xy;
    for (size_t i = 0; i < record.curveX.size(); ++i) {
      xy.push_back(record.curveX[i]);
      xy.push_back(record.curveY[i]);
    }
    curves_[c] = std::make_unique<CubicSpline>();
    if (!curves_[c]->Build(xy.data(), static_cast<int32_t>(record.curveX.size()),
                           record.closedCurve))
      throw DynamicsError{kErrBadModel, "a curved slot needs two distinct points"};
  }
  int slots = 0;
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    goalOffset_.push_back(static_cast<int>(goalSlot_.size()));
    for (const Goal& goal : record.goals) {
      goalSlot_.push_back(slots);
      slots += RowsOfGoal(record, goal);
    }
  }
  slotFlags_.assign(slots, 0);
  rowOfSlot_.assign(slots, -1);
  gearReference_.assign(n, 0.0);
  angleUnwrap_.assign(n, 0.0);
  constraintForce_.assign(3 * n, 0.0);
  coordinate_.assign(n, 0.0);
  rate_.assign(n, 0.0);
  turn_.assign(n, 0.0);
  turnRate_.assign(n, 0.0);
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    // Only force, torque and power goals load the bodies; limits bound drives instead.
    bool loads = false;
    for (const Goal& goal : record.goals)
      loads = loads || (goal.marking == kEquality &&
                        (goal.type == GoalType::Force || goal.type == GoalType::Power));
    if (loads) loading_.push_back(static_cast<int>(c));
    // A force goal marked as a limit bounds a kinematic drive's multiplier (the last such goal).
    bool kinematicDrive = false;
    for (const Goal& goal : record.goals)
      kinematicDrive = kinematicDrive || (IsKinematic(goal.type) && goal.marking == kEquality);
    plainPin_.push_back(IsPlainPin(record));
    driveLimit_.push_back(kNone);
    for (size_t g = 0; g < record.goals.size() && kinematicDrive; ++g)
      if (record.goals[g].type == GoalType::Force && record.goals[g].marking != kEquality)
        driveLimit_.back() = static_cast<int>(g);
    const bool measured = record.kind == ConstraintKind::Rotational ||
                          record.kind == ConstraintKind::Linear ||
                          record.kind == ConstraintKind::Rod;
    if (measured && record.points.size() >= 2) measured_.push_back(static_cast<int>(c));
  }
  velocity_ = State().tail(dofCount_);
  UpdateKinematics();
  SetUpContacts();
  onlyPlainPins_ = colliders_.empty();
  for (size_t c = 0; c < n; ++c)
    onlyPlainPins_ = onlyPlainPins_ && plainPin_[c] && model_.constraints[c].activation.IsConstant();
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind == ConstraintKind::Gear) {
      const Vector2d d = pointKin_[record.points[1]].pos - pointKin_[record.points[0]].pos;
      if (d.norm() == 0) throw DynamicsError{kErrBadModel, "gear centres coincide"};
      angleUnwrap_[c] = std::atan2(d.y(), d.x());
    }
  }
  double largest = 1;
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind != ConstraintKind::Rod || record.points.size() <= 2) continue;
    pulleys_.push_back(Pulley{static_cast<int>(c), static_cast<int>(pulleyDirections_.size())});
    pulleyDirections_.resize(pulleyDirections_.size() + record.points.size() - 1, Vector2d(1, 0));
    for (int point : record.points)
      largest = std::max(largest, pointKin_[point].pos.lpNorm<Eigen::Infinity>());
  }
  pulleyReach_ = 1e-9 * largest;
  RecordPulleyDirections();
  // The no-slip coordinates hold the values they have at the start; the contacts' flags say
  // which points touch there.
  Context context(*this, 0.0);
  BuildRows(context, ContactRowsFor::Flags);
  for (const Row& row : rows_) {
    if (row.contact >= 0) continue;
    const Constraint& record = model_.constraints[row.constraint];
    if (record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack)
      gearReference_[row.constraint] = row.g;
  }
  // One-sided rows whose closing gap the integrator locates (a curved slot's is not).
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack ||
        record.kind == ConstraintKind::CurvedSlot)
      continue;
    for (size_t gi = 0; gi < record.goals.size(); ++gi) {
      const Goal& goal = record.goals[gi];
      if (goal.marking == kEquality) continue;
      const int first = goalSlot_[goalOffset_[c] + gi];
      for (int k = 0; k < RowsOfGoal(record, goal); ++k)
        oneSidedSlots_.push_back(first + k);
    }
  }
  RefreshContacts();
  stateFreeEvents_ = pulleys_.empty() && oneSidedSlots_.empty() && colliders_.empty();
  for (const Constraint& record : model_.constraints)
    stateFreeEvents_ = stateFreeEvents_ && record.activation.IsConstant();
}

// How many rows a goal makes: one per point after the primary for goals held point by point,
// one for goals on the record as a whole; none for loads.
int Mechanics::RowsOfGoal(const Constraint& record, const Goal& goal) {
  if (!IsKinematic(goal.type)) return 0;
  const int perPoint = static_cast<int>(record.points.size()) - 1;
  switch (record.kind) {
    case ConstraintKind::Pin:
    case ConstraintKind::Slot:
    case ConstraintKind::Custom:
    case ConstraintKind::CurvedSlot:
      return perPoint;
    case ConstraintKind::Linear:
      return goal.component == Component::X ? 1 : perPoint;
    case ConstraintKind::Rotational:
    case ConstraintKind::Rod:
    case ConstraintKind::Gear:
    case ConstraintKind::Rack:
    case ConstraintKind::Expression:
      return 1;
    case ConstraintKind::Force:
      return 0;
  }
  return 0;
}

void Mechanics::SetFlag(Row& row, RowFlag flag, bool on) {
  if (row.slot >= 0) {
    uint8_t& flags = slotFlags_[row.slot];
    flags = on ? flags | flag : flags & ~flag;
  }
  if (flag == kContact) row.candidate = !row.oneSided || on;
  if (flag == kRedundant) row.redundant = on;
  if (flag == kSaturated) row.saturated = on;
}

Eigen::VectorXd Mechanics::State() const {
  Eigen::VectorXd state(2 * dofCount_);
  for (int i = 0; i < BodyCount(); ++i) {
    const int dof = bodyKin_[i].dof;
    if (dof < 0) continue;
    for (int k = 0; k < 3; ++k) {
      state[dof + k] = q_[3 * i + k];
      state[dofCount_ + dof + k] = v_[3 * i + k];
    }
  }
  return state;
}

std::vector<double> Mechanics::LengthScales() const {
  std::vector<double> scales(dofCount_, 1.0);
  for (int i = 0; i < BodyCount(); ++i)
    if (bodyKin_[i].dof >= 0)
      scales[bodyKin_[i].dof + 2] = std::sqrt(model_.bodies[i].moment / model_.bodies[i].mass);
  return scales;
}

void Mechanics::SetState(double time, const Eigen::VectorXd& state) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
}

void Mechanics::Unpack(const Eigen::VectorXd& state) {
  kinematicsProjected_ = false;
  standing_ = false;
  bool moved = false;
  for (int i = 0; i < BodyCount(); ++i) {
    const int dof = bodyKin_[i].dof;
    if (dof < 0) continue;
    for (int k = 0; k < 3; ++k) {
      moved = moved || q_[3 * i + k] != state[dof + k];
      q_[3 * i + k] = state[dof + k];
      v_[3 * i + k] = state[dofCount_ + dof + k];
    }
  }
  if (moved) ++moves_;
  velocity_ = state.tail(dofCount_);
}

void Mechanics::MoveTo(const Eigen::VectorXd& state) {
  // Compared bit for bit: a state that only compares equal (a zero of the other sign) is
  // unpacked again, as it would have been.
  if (standing_ && state.size() == standingState_.size() &&
      (state.size() == 0 ||
       std::memcmp(state.data(), standingState_.data(), sizeof(double) * state.size()) == 0)) {
    kinematicsProjected_ = false;
    return;
  }
  Unpack(state);
  UpdateKinematics();
  standingState_ = state;
  standing_ = true;
}

void Mechanics::UpdateKinematics() {
  standing_ = false;
  for (int i = 0; i < BodyCount(); ++i) {
    BodyKin& k = bodyKin_[i];
    if (k.angle != q_[3 * i + 2] || !k.turned) {
      k.angle = q_[3 * i + 2];
      k.cos = std::cos(k.angle);
      k.sin = std::sin(k.angle);
      k.turned = true;
    }
    k.omega = v_[3 * i + 2];
  }
  // What a point keeps of its record, once: every evaluation works out every point from it.
  if (pointKin_.size() != model_.points.size()) {
    pointKin_.resize(model_.points.size());
    for (size_t k = 0; k < model_.points.size(); ++k) {
      const Point& p = model_.points[k];
      const dynamics::Body& b = model_.bodies[p.body];
      PointKin& pk = pointKin_[k];
      pk.body = p.body;
      pk.dof = bodyKin_[p.body].dof;
      pk.local = Vector2d(p.x - b.comX, p.y - b.comY);
      pk.turn = p.r;
    }
  }
  for (PointKin& pk : pointKin_) {
    const int i = pk.body;
    const BodyKin& bk = bodyKin_[i];
    const double angle = q_[3 * i + 2], omega = v_[3 * i + 2];
    // Worked out in locals and stored once.
    const double lx = pk.local.x(), ly = pk.local.y();
    const double ax = bk.cos * lx - bk.sin * ly, ay = bk.sin * lx + bk.cos * ly;
    pk.arm = Vector2d(ax, ay);
    pk.pos = Vector2d(q_[3 * i] + ax, q_[3 * i + 1] + ay);
    pk.vel = Vector2d(v_[3 * i] - omega * ay, v_[3 * i + 1] + omega * ax);
    pk.quad = Vector2d(-omega * omega * ax, -omega * omega * ay);
    pk.angle = angle + pk.turn;
    pk.omega = omega;
  }
  // Coordinates and rates of two-ended records, which force laws read.
  for (const int c : measured_) {
    const Constraint& record = model_.constraints[c];
    coordinate_[c] = rate_[c] = 0;
    if (record.kind == ConstraintKind::Rotational) {
      const PointKin& a = pointKin_[record.points[0]];
      const PointKin& b = pointKin_[record.points[1]];
      coordinate_[c] = b.angle - a.angle;
      rate_[c] = b.omega - a.omega;
    } else if (record.kind == ConstraintKind::Linear || record.kind == ConstraintKind::Rod) {
      for (size_t k = 1; k < record.points.size(); ++k) {
        const PointKin& a = pointKin_[record.points[k - 1]];
        const PointKin& b = pointKin_[record.points[k]];
        const Vector2d d = b.pos - a.pos;
        const double length = d.norm();
        coordinate_[c] += length;
        if (length > 0) rate_[c] += d.dot(b.vel - a.vel) / length;
      }
    }
  }
  for (size_t c = 0; c < model_.constraints.size(); ++c) {
    const std::vector<int>& points = model_.constraints[c].points;
    if (points.size() < 2) continue;
    const PointKin& first = pointKin_[points.front()];
    const PointKin& last = pointKin_[points.back()];
    turn_[c] = last.angle - first.angle;
    turnRate_[c] = last.omega - first.omega;
  }
}

void Mechanics::BodyAcceleration(int index, double& ax, double& ay, double& ar) const {
  ax = ay = ar = 0;
  if (index < 0 || index >= BodyCount())
    throw DynamicsError{kErrBadModel, "a formula names a body that does not exist"};
  const int dof = bodyKin_[index].dof;
  if (dof < 0 || acceleration_.size() != dofCount_) return;
  const dynamics::Body& b = model_.bodies[index];
  const double angle = q_[3 * index + 2], omega = v_[3 * index + 2];
  const Vector2d arm = Rotate(angle, -b.comX, -b.comY);  // from the centre of mass to the point
  ar = acceleration_[dof + 2];
  ax = acceleration_[dof] - ar * arm.y() - omega * omega * arm.x();
  ay = acceleration_[dof + 1] + ar * arm.x() - omega * omega * arm.y();
}

double Mechanics::KineticEnergy() const {
  double energy = 0;
  for (int i = 0; i < BodyCount(); ++i) {
    if (bodyKin_[i].dof < 0) continue;
    const dynamics::Body& b = model_.bodies[i];
    const double vx = v_[3 * i], vy = v_[3 * i + 1], w = v_[3 * i + 2];
    energy += 0.5 * b.mass * (vx * vx + vy * vy) + 0.5 * b.moment * w * w;
  }
  return energy;
}

Eigen::Vector2d Mechanics::PointPosition(int point) const {
  return pointKin_.at(point).pos;
}

Eigen::Vector2d Mechanics::PointVelocity(int point) const {
  return pointKin_.at(point).vel;
}

double Mechanics::ConstraintForce(int constraint, Component component) const {
  if (constraint < 0 || constraint >= static_cast<int>(model_.constraints.size())) return 0.0;
  return constraintForce_[3 * constraint + static_cast<int>(component)];
}

double Mechanics::ConstraintCoordinate(int constraint) const {
  if (constraint < 0 || constraint >= static_cast<int>(coordinate_.size())) return 0.0;
  return coordinate_[constraint];
}

double Mechanics::ConstraintRate(int constraint) const {
  if (constraint < 0 || constraint >= static_cast<int>(rate_.size())) return 0.0;
  return rate_[constraint];
}

double Mechanics::ConstraintTurn(int constraint) const {
  if (constraint < 0 || constraint >= static_cast<int>(turn_.size())) return 0.0;
  return turn_[constraint];
}

double Mechanics::ConstraintTurnRate(int constraint) const {
  if (constraint < 0 || constraint >= static_cast<int>(turnRate_.size())) return 0.0;
  return turnRate_[constraint];
}

double Mechanics::NotANumber(const std::string& name, const char* what) {
  throw DynamicsError{kErrNotANumber, std::string(what) + " \"" + name + "\" gave no number"};
}

void Mechanics::AddPointForce(const PointKin& p, const Vector2d& force) {
  if (p.dof < 0) return;
  force_[p.dof] += force.x();
  force_[p.dof + 1] += force.y();
  force_[p.dof + 2] += Cross(p.arm, force);
}

void Mechanics::AddTorque(int body, double torque) {
  const int dof = bodyKin_[body].dof;
  if (dof >= 0) force_[dof + 2] += torque;
}

void Mechanics::ApplyForceGoal(const Context& context, int c, const Goal& goal, double value) {
  const Constraint& record = model_.constraints[c];
  nextConstraintForce_[3 * c + static_cast<int>(goal.component)] += value;
  const PointKin& p0 = pointKin_[record.points[0]];
  const bool twoEnded = record.points.size() >= 2;
  if (goal.component == Component::Rotation) {
    // A torque between two bodies acts on the second and reacts on the first.
    if (twoEnded && record.kind == ConstraintKind::Rotational) {
      AddTorque(pointKin_[record.points[1]].body, value);
      AddTorque(p0.body, -value);
    } else {
      AddTorque(p0.body, value);
    }
    return;
  }
  if (twoEnded && (record.kind == ConstraintKind::Linear || record.kind == ConstraintKind::Rod) &&
      goal.component == Component::X) {
    // Along the line from the primary end to the other: positive pushes the ends apart.
    const PointKin& p1 = pointKin_[record.points[1]];
    const Vector2d d = p1.pos - p0.pos;
    const double length = d.norm();
    if (length == 0) return;  // no direction: the law cannot act
    const Vector2d u = d / length;
    AddPointForce(p1, value * u);
    AddPointForce(p0, -value * u);
    return;
  }
  double angle = FrameAngle(context, record);
  if (goal.component == Component::Y) angle += std::numbers::pi / 2;
  AddPointForce(p0, value * Vector2d(std::cos(angle), std::sin(angle)));
}

// A body's position in a field formula (self.p, other.p) is its reference point, as everywhere
// else in formulas: the point the body record places and the user sees. A field on one body
// alone (a gravity line, air resistance) acts at the centre of mass, as a uniform field does. A
// field between two bodies measures their distance between reference points, so it acts there,
// along the line between them, with the torque that follows about the centre of mass: the force
// then derives from a potential of that distance, and a body whose reference point lies off its
// centre of mass keeps its energy and angular momentum in orbit.
void Mechanics::ApplyFieldForces(const Context& context) {
  for (const Field& field : model_.fields) {
    if (!field.pairwise && field.direction.IsConstant()) {
      ApplyFixedDirectionField(context, field);
      continue;
    }
    for (int self : field.members) {
      const int dof = bodyKin_[self].dof;
      if (dof < 0) continue;
      const auto add = [&](const FieldLoad& load) {
        force_[dof] += load.force.x();
        force_[dof + 1] += load.force.y();
        force_[dof + 2] += load.torque;
      };
      if (!field.pairwise) {
        add(LoadOfField(context, field, self, kNone));
        continue;
      }
      const BodyState s = Body(self);
      const Vector2d arm(s.x - q_[3 * self], s.y - q_[3 * self + 1]);
      for (int other : field.members) {
        if (other == self) continue;
        const BodyState o = Body(other);
        if (s.x == o.x && s.y == o.y) continue;  // no line between them
        add(LoadAlong(context.WithSelf(self, other), field, std::atan2(s.y - o.y, s.x - o.x), arm));
      }
    }
  }
}

// A field along one fixed direction (a line gravity) loads each member as LoadAlong does, by its
// goals' values alone: the direction is turned once for all of them, not once a body, which a
// crowd of a thousand bodies pays for at every evaluation.
void Mechanics::ApplyFixedDirectionField(const Context& context, const Field& field) {
  const double angle = field.direction.Constant();
  const Vector2d along = angle == 0 ? Vector2d(1, 0) : Vector2d(std::cos(angle), std::sin(angle));
  const Vector2d across = Perp(along);
  for (int self : field.members) {
    const int dof = bodyKin_[self].dof;
    if (dof < 0) continue;
    Checked(angle, field.name);
    const Context ctx = context.WithSelf(self);
    Vector2d force(0, 0);
    double torque = 0;
    for (const Goal& goal : field.goals) {
      if (goal.type != GoalType::Force) continue;
      const double value = Checked(goal.value(ctx), field.name);
      if (goal.component == Component::Rotation) {
        torque += value;
        continue;
      }
      force += value * (goal.component == Component::Y ? across : along);
    }
    force_[dof] += force.x();
    force_[dof + 1] += force.y();
    force_[dof + 2] += torque;
  }
}

Mechanics::FieldLoad Mechanics::LoadAlong(const Context& context, const Field& field, double angle,
                                          const Vector2d& arm) const {
  FieldLoad load;
  // Component X along the angle, Y across it; a field along the axes needs no rotation.
  const Vector2d along = angle == 0 ? Vector2d(1, 0) : Vector2d(std::cos(angle), std::sin(angle));
  for (const Goal& goal : field.goals) {
    if (goal.type != GoalType::Force) continue;
    const double value = Checked(goal.value(context), field.name);
    if (goal.component == Component::Rotation) {
      load.torque += value;
      continue;
    }
    const Vector2d force = value * (goal.component == Component::Y ? Perp(along) : along);
    load.force += force;
    load.torque += Cross(arm, force);
  }
  return load;
}

Mechanics::FieldLoad Mechanics::LoadOfField(const Context& context, const Field& field, int self,
                                            int other) const {
  if (other == kNone) {
    const Context ctx = context.WithSelf(self);
    return LoadAlong(ctx, field, Checked(field.direction(ctx), field.name), Vector2d(0, 0));
  }
  const BodyState s = Body(self);
  const BodyState o = Body(other);
  if (s.x == o.x && s.y == o.y) return FieldLoad{};
  return LoadAlong(context.WithSelf(self, other), field, std::atan2(s.y - o.y, s.x - o.x),
                   Vector2d(s.x - q_[3 * self], s.y - q_[3 * self + 1]));
}

int Mechanics::FindField(int32_t id) const {
  if (id == kNone) return kNone;
  for (size_t f = 0; f < model_.fields.size(); ++f)
    if (model_.fields[f].id == id) return static_cast<int>(f);
  return kNone;
}

int Mechanics::FieldPairCount(int field, int body) const {
  const Field& record = model_.fields[static_cast<size_t>(field)];
  if (!record.pairwise) return 0;
  const auto& members = record.members;
  if (std::find(members.begin(), members.end(), body) == members.end()) return 0;
  return static_cast<int>(members.size()) - 1;
}

bool Mechanics::FieldPairForce(const Context& context, int field, int body, int pair,
                               Vector2d& out) const {
  out = Vector2d(0, 0);
  if (pair < 1 || pair > FieldPairCount(field, body)) return false;
  const Field& record = model_.fields[static_cast<size_t>(field)];
  for (int other : record.members) {
    if (other == body || --pair > 0) continue;
    out = LoadOfField(context, record, body, other).force;
    return true;
  }
  return false;
}

void Mechanics::FieldForce(const Context& context, int field, int body, Vector2d& force,
                           double& torque) const {
  const Field& record = model_.fields[static_cast<size_t>(field)];
  force = Vector2d(0, 0);
  torque = 0;
  const auto& members = record.members;
  if (std::find(members.begin(), members.end(), body) == members.end()) return;
  const auto add = [&](const FieldLoad& load) {
    force += load.force;
    torque += load.torque;
  };
  if (!record.pairwise) return add(LoadOfField(context, record, body, kNone));
  for (int other : members)
    if (other != body) add(LoadOfField(context, record, body, other));
}

void Mechanics::AddForces(const Context& context) {
  force_.setZero();
  nextConstraintForce_.assign(constraintForce_.size(), 0.0);
  ApplyFieldForces(context);
  for (const int c : loading_) {
    if (!IsActive(context, c)) continue;
    const Constraint& record = model_.constraints[c];
    const Context ctx = context.WithConstraint(c);
    double forceLimit = kInfinity;
    for (const Goal& goal : record.goals)
      if (goal.type == GoalType::Force && goal.marking != kEquality)
        forceLimit = std::abs(Checked(goal.value(ctx), record));
    for (const Goal& goal : record.goals) {
      if (goal.marking != kEquality) continue;  // limits bound drives; they load nothing
      if (goal.type == GoalType::Force) {
        ApplyForceGoal(ctx, c, goal, Checked(goal.value(ctx), record));
      } else if (goal.type == GoalType::Power) {
        // The force that delivers the power at the present rate, within the drive's limit; at
        // rest without a limit a power drive cannot start, so it gives no force.
        const double power = Checked(goal.value(ctx), record);
        const double rate = rate_[c];
        double f = rate != 0 ? power / rate : (forceLimit < kInfinity ? forceLimit : 0.0);
        if (rate == 0 && power < 0) f = -f;
        f = std::clamp(f, -forceLimit, forceLimit);
        ApplyForceGoal(ctx, c, goal, f);
      }
    }
  }
}

bool Mechanics::ForcesStand(const Eigen::VectorXd& state, double time,
                            std::initializer_list<double> later) {
  const double was = time_;
  Unpack(state);
  UpdateKinematics();
  heldForce_ = force_;
  std::vector<double> reported = nextConstraintForce_;
  AddForces(Context(*this, time));
  standingForce_ = force_;
  bool stand = true;
  for (const double at : later) {
    if (!stand) break;
    time_ = at;
    AddForces(Context(*this, at));
    stand = force_ == standingForce_;
  }
  force_.swap(heldForce_);
  nextConstraintForce_.swap(reported);
  time_ = was;
  return stand;
}

void Mechanics::FreeAccelerations(double time, const Eigen::VectorXd& state, Eigen::VectorXd& out) {
  const double was = time_;
  Unpack(state);
  UpdateKinematics();
  heldForce_.swap(force_);
  force_.resize(dofCount_);
  std::vector<double> reported = nextConstraintForce_;
  time_ = time;
  AddForces(Context(*this, time));
  out = force_;
  out.array() *= invMass_.array();
  force_.swap(heldForce_);
  nextConstraintForce_.swap(reported);
  time_ = was;
}

// The right-hand side of the multipliers' system for the rows to solve: what each row's
// acceleration must be, less what the applied forces alone would give it.
void Mechanics::ComputeB() {
  const int n = static_cast<int>(solveRows_.size());
  solveB_.resize(n);
  solveLower_.resize(n);
  solveUpper_.resize(n);
  free_ = invMass_.cwiseProduct(force_);
  const double* free = free_.data();
  const double* velocity = velocity_.data();
  const std::pair<int, double>* entries = entries_.data();
  for (int i = 0; i < n; ++i) {
    const Row& row = rows_[solveRows_[i]];
    double pushed = 0, rate = 0;
    for (int k = row.begin; k < row.begin + row.count; ++k) {
      pushed += entries[k].second * free[entries[k].first];
      rate += entries[k].second * velocity[entries[k].first];
    }
    solveB_[i] = row.gamma - pushed - RestingDrift(row, rate);
    solveLower_[i] = row.lower;
    solveUpper_[i] = row.upper;
  }
  if (!turnedWays_.empty()) BoundTurnedFriction();
}

// A resting contact that drifts (a point opening or closing, a sticking manifold slipping, at the
// few nanometres a second that the rounding and compliance of its forces leave) is brought back
// to rest within a frame: left alone, the drift of a pile on a slope grows every step until its
// points count as opening, carry no weight and no friction, and the pile slides. A point or
// manifold that really moves is past the opening speed and left alone. Closing drift is aimed
// back as well as opening: what is asked of the rows is then their own rate, a motion the
// bodies can make, so it sets no row against another. Asked of the opening points alone, it
// would be a squeeze the pile cannot take up by moving, and the small compliance of the rows
// that repeat each other would turn it into internal forces that move its normal forces by
// several per cent from one evaluation to the next (and its friction rounds and pivots with
// them).
double Mechanics::RestingDrift(const Row& row, double rate) const {
  if (!(frameStep_ > 0) || row.contact < 0 || !row.candidate) return 0;
  return std::abs(rate) <= OpeningSpeed() ? rate / frameStep_ : 0.0;
}

// Rows made anew in place of the same plain pins' rows keep what a selection found of them: the
// set is the same, and so are the rows left out as redundant.
void Mechanics::SelectBuiltRows() {
  if (onlyPlainPins_ && plainRowsBuilt_ && plainRowsSelected_) return;
  SelectRows();
  plainRowsSelected_ = onlyPlainPins_ && plainRowsBuilt_;
}

void Mechanics::Derivative(double time, const Eigen::VectorXd& state, Eigen::VectorXd& derivative) {
  time_ = time;
  // The evaluation that starts a step is made where the projection left the bodies, whose
  // kinematics it worked out last.
  const bool projected = kinematicsProjected_ && time == projectedTime_ &&
                         state.size() == projectedState_.size() && state == projectedState_;
  if (!projected) {
    MoveTo(state);
  }
  const Context context(*this, time);
  AddForces(context);
  if (sleeps_) WakeWhereForcesChanged();
  // Right after a projection the rows stand at these positions (the evaluation that starts the
  // next step): rows of plain pins then need only their velocity terms anew.
  const bool rowsStand = onlyPlainPins_ && rowsFromProjection_ && time == projectedTime_ &&
                         state.size() == projectedState_.size() &&
                         state.head(dofCount_) == projectedState_.head(dofCount_);
  if (rowsStand) {
    RefreshPlainPinTerms();
  } else {
    BuildRows(context);
  }
  SelectBuiltRows();
  SolveAccelerations();
  const int n = static_cast<int>(solveRows_.size());
  // Whether the rows are all plain equalities, as they were solved (before saturation is
  // updated below), in the same pass that applies their multipliers.
  bool linear = NoPairsFound() && pattern_ != nullptr && pattern_->n == n;
  const Eigen::VectorXd& lambda = solveX_;
  derivative.resize(2 * dofCount_);
  derivative.head(dofCount_) = velocity_;
  auto acceleration = derivative.tail(dofCount_);
  acceleration = force_;
  double* pushed = acceleration.data();
  const std::pair<int, double>* entries = entries_.data();
  for (int i = 0; i < n; ++i) {
    Row& row = rows_[solveRows_[i]];
    // A plain pin's rows are equalities without bounds.
    linear = linear && !row.saturated &&
             (onlyPlainPins_ || (!row.oneSided && row.contact < 0 &&
                                 row.level != Level::Acceleration && row.lower <= -kInfinity &&
                                 row.upper >= kInfinity));
    const double multiplier = lambda[i];
    for (int k = row.begin; k < row.begin + row.count; ++k)
      pushed[entries[k].first] += entries[k].second * multiplier;
    row.lambda = multiplier;
    const bool saturated = !row.oneSided && (multiplier <= row.lower || multiplier >= row.upper);
    if (saturated != row.saturated) SetFlag(row, kSaturated, saturated);
    if (row.contact >= 0) continue;
    nextConstraintForce_[3 * row.constraint + static_cast<int>(row.component)] += multiplier;
  }
  RememberSlippedFriction();
  linearProjection_ = linear;
  chordReady_ = linear;
  if (chordReady_ && chordRows_ != solveRows_) chordRows_ = solveRows_;
  acceleration.array() *= invMass_.array();
  acceleration_ = acceleration;
  constraintForce_.swap(nextConstraintForce_);
  // A value that is no number leaves one in the sum of every value times zero.
  if ((derivative.array() * 0.0).sum() != 0)
    throw DynamicsError{kErrNotANumber, "the accelerations gave no number"};
}

// A projection's Newton step after which the sum of squared residuals is more than this many times
// what it was before went far off, rather than merely meeting new contacts on the way.
constexpr double kFarOff = 1e4;

double Mechanics::Project(double time, Eigen::VectorXd& state, double tolerance) {
  time_ = time;
  // The projection leaves contacts anywhere within its tolerance: that close, they are closed
  // (but never further apart than a tiny part of the thinnest outline, however loose the
  // assembly error: a body must not rest on air).
  contactGap_ = std::max(kContactGap, std::min(tolerance, 1e-6 * thinnest_));
  MoveTo(state);
  const Context context(*this, time);
  double residual = 0;
  int worstRow = -1;
  bool moved = true;  // the rows were built before the positions last changed
  // Newton steps on the positions; a step that makes the residuals worse is halved, so a state
  // far off the constraints (a long fixed step) still comes back.
  double previous = HUGE_VAL;
  Eigen::VectorXd& lastStep = projectStep_;
  lastStep.resize(0);
  int halvings = 0;
  // The part of the Newton step taken. Near a stretched run of links a full step can overshoot
  // by far more than the residual it corrects, and the next full step again: a step that had to
  // be halved leaves the next ones as short, and each that did not lets them grow back.
  double reach = 1;
  projectionHeld_.clear();
  // The contacts held before the last step taken, given back if that step went far off.
  std::vector<ContactKey> heldBeforeStep;
  // Whether the rows still stand where the contacts' flags were refreshed: no Newton step moved
  // the bodies since.
  bool flagsStand = false;
  if (sweptContacts_) touchingBefore_.assign(touching_.begin(), touching_.end());
  // Points sunk in and opening slowly, or driven in by the projection itself, are held
  // (HoldSunkPoints, HoldDrivenIn).
  bool sunk = false;
  for (int iteration = 0; iteration < 100; ++iteration) {
    BuildRows(context);
    moved = false;
    if (iteration == 0) {
      RefreshContacts();
      ReportOverlap(time);
      RememberClosedContacts();
      flagsVelocities_ = state.tail(dofCount_);
      flagsStand = true;
      sunk = HoldSunkPoints();
    } else if (sweptContacts_ && frameStep_ > 0) {
      sunk = HoldDrivenIn() || sunk;
    }
    SelectBuiltRows();
    std::vector<int>& rows = projectRows_;
    rows.clear();
    Eigen::VectorXd& g = projectResidual_;
    g.resize(static_cast<int>(solveRows_.size()));
    residual = 0;
    for (int i : solveRows_) {
      const Row& row = rows_[i];
      if (row.saturated) continue;
      if (row.level != Level::Position) {
        // A drive's coordinate stays where its own goal took it: the correction moves the
        // other coordinates, so a velocity motor's crank does not fall behind its angle.
        if (row.oneSided) continue;
        g[static_cast<int>(rows.size())] = 0;
        rows.push_back(i);
        continue;
      }
      // A contact brought onto its surface stays held there for the rest of the projection:
      // let go once it is out, it would be pushed back in by its neighbours, and a pile would
      // take a step for every contact passed to and fro between them.
      if (row.oneSided && row.g >= 0 && !HeldInProjection(row)) continue;
      g[static_cast<int>(rows.size())] = row.g;
      // A contact within what its projection can reach counts as closed (see `reachable`).
      const bool reached = row.contact >= 0 && std::abs(row.g) <= row.reachable;
      if (!reached && std::abs(row.g) > residual) {
        residual = std::abs(row.g);
        worstRow = i;
      }
      rows.push_back(i);
    }
    if (sunk) {
      SunkRows(sunkRows_);
      g.conservativeResize(static_cast<int>(rows.size() + sunkRows_.size()));
      for (int i : sunkRows_) {
        g[static_cast<int>(rows.size())] = rows_[i].g;
        if (std::abs(rows_[i].g) > residual) residual = std::abs(rows_[i].g);
        rows.push_back(i);
      }
    }
    if (residual <= tolerance) break;
    HoldInProjection(rows);
    // The Newton direction always lowers the sum of squared residuals, so that sum decides.
    const double merit = g.head(static_cast<int>(rows.size())).squaredNorm();
    if (merit > previous && halvings < 20 && lastStep.size() == dofCount_) {
      // A step that took the bodies far off (nearly dependent rows of a crowd) held the
      // contacts it met there: kept, they would pull bodies onto neighbours they have come
      // nowhere near, rows no positions can meet, and the projection would halve its steps to
      // nothing. A step that only met contacts nearby keeps them held.
      if (merit > kFarOff * previous) projectionHeld_ = heldBeforeStep;
      lastStep *= 0.5;
      state.head(dofCount_) -= lastStep;
      ++halvings;
      Unpack(state);
      UpdateKinematics();
      moved = true;
      flagsStand = false;
      continue;
    }
    // A step factorises J W J' where the bodies are; later steps keep that factorisation while
    // the rows are the same and it still gains two digits of the residual per step (the
    // Jacobian then changes only by the small corrections).
    const bool slow = merit > 1e-4 * previous;
    previous = merit;
    reach = halvings > 0 ? std::ldexp(reach, -halvings) : std::min(1.0, 2 * reach);
    halvings = 0;
    const int n = static_cast<int>(rows.size());
    // The first step may start from the last evaluation's factorisation of the same rows.
    const bool fresh = iteration == 0 && !(chordReady_ && rows == chordRows_);
    if (fresh || slow || rows != chordRows_) {
      Factorise(rows);
      chordRows_ = rows;
    }
    g.conservativeResize(n);
    Eigen::VectorXd& delta = solveX_;
    SolveFactorised(g, delta);
    lastStep.setZero(dofCount_);
    for (int k = 0; k < n; ++k) {
      const Row& row = rows_[rows[k]];
      const double part = reach * delta[k];
      for (int i = row.begin; i < row.begin + row.count; ++i)
        lastStep[entries_[i].first] -= invMass_[entries_[i].first] * entries_[i].second * part;
    }
    heldBeforeStep = projectionHeld_;
    state.head(dofCount_) += lastStep;
    Unpack(state);
    UpdateKinematics();
    moved = true;
    flagsStand = false;
  }
  if (residual > tolerance && worstRow >= 0 && rows_[worstRow].contact < 0)
    warnings_.push_back(Warning{Warning::Kind::Inconsistent, rows_[worstRow].constraint, time});
  // A row left out as redundant must still hold once the others do; if it does not, the
  // constraints contradict each other.
  for (const Row& row : rows_) {
    if (!row.redundant || !row.candidate || row.level != Level::Position) continue;
    if (row.oneSided ? row.g >= -kContactGap : std::abs(row.g) <= std::max(tolerance, 1e-9))
      continue;
    bool known = false;
    for (const Warning& w : warnings_)
      known = known || (w.kind == Warning::Kind::Inconsistent && w.constraint == row.constraint);
    if (!known) warnings_.push_back(Warning{Warning::Kind::Inconsistent, row.constraint, time});
  }

  if (moved) {
    BuildRows(context);
    SelectBuiltRows();
  }
  ResolveImpacts(state);
  SolveVelocities(state);
  MoveTo(state);
  // The rows were built at these positions; only the velocities changed since, if anything did:
  // a resting pile's impacts and velocity projection often change nothing, and the flags are
  // then those the first refresh made.
  flagsStand = flagsStand && flagsVelocities_.size() == dofCount_ &&
               (dofCount_ == 0 || std::memcmp(flagsVelocities_.data(), state.data() + dofCount_,
                                              sizeof(double) * dofCount_) == 0);
  FinishAccept(flagsStand);
  UpdateSleep(state);
  projectedTime_ = time;
  projectedState_ = state;
  rowsFromProjection_ = true;
  kinematicsProjected_ = onlyPlainPins_;
  return residual;
}

// A fast run's forces hold its contacts to their rounding and the compliance of their rows, not
// to nothing: a resting pile's points drift apart at a few nanometres a second. A point that
// would not leave the contact gap within a frame at its rate still rests there; counted as
// opening, it would carry neither weight nor friction for a step, and a pile on a slope would
// slip.
double Mechanics::OpeningSpeed() const {
  if (!sweptContacts_ || !(frameStep_ > 0)) return kContactSpeed;
  return std::max(kContactSpeed, contactGap_ / frameStep_);
}

bool Mechanics::KeepTangentPart(Eigen::VectorXd& estimate) {
  if (!linearProjection_ || solveRows_.empty()) return linearProjection_;
  const int n = static_cast<int>(solveRows_.size());
  // Both halves in one pass over the rows: positions first in each pair of sums.
  const double* positions = estimate.data();
  const double* velocities = positions + dofCount_;
  Eigen::VectorXd& acrossPositions = tangentAcross_[0];
  Eigen::VectorXd& acrossVelocities = tangentAcross_[1];
  acrossPositions.resize(n);
  acrossVelocities.resize(n);
  const std::pair<int, double>* entries = entries_.data();
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[solveRows_[r]];
    double sumPositions = 0, sumVelocities = 0;
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      sumPositions += entries[i].second * positions[entries[i].first];
      sumVelocities += entries[i].second * velocities[entries[i].first];
    }
    // The positions' projection leaves a drive's coordinate where the step took it: its
    // error stays, and only the position rows' is taken out.
    acrossPositions[r] = row.level != Level::Position ? 0.0 : sumPositions;
    acrossVelocities[r] = sumVelocities;
  }
  SolveFactorisedPair(acrossPositions, acrossVelocities);
  double* positionPart = estimate.data();
  double* velocityPart = positionPart + dofCount_;
  const double* invMass = invMass_.data();
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[solveRows_[r]];
    const double p = acrossPositions[r], v = acrossVelocities[r];
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      const auto [dof, value] = entries[i];
      positionPart[dof] -= invMass[dof] * value * p;
      velocityPart[dof] -= invMass[dof] * value * v;
    }
  }
  return true;
}

void Mechanics::ProjectVelocities(double time, Eigen::VectorXd& state, double step) {
  time_ = time;
  MoveTo(state);
  const Context context(*this, time);
  BuildRows(context);
  HoldApproaches(step);
  LetSlippedFrictionGo();
  SelectBuiltRows();
  velocityStep_ = time == sweptForcesAt_ ? step : 0.0;
  velocitiesSwept_ = false;
  forcedStep_ = sweptContacts_ ? step : 0.0;
  SolveVelocities(state);
  forcedStep_ = 0;
  velocityStep_ = 0;
  RememberHeldApproaches();
  MoveTo(state);
}

bool Mechanics::AtRest() const {
  if (!sweptContacts_ || !islands_.AnyAsleep() || !model_.constraints.empty()) return false;
  for (int i = 0; i < BodyCount(); ++i)
    if (bodyKin_[i].dof >= 0 && !islands_.Asleep(i)) return false;
  return true;
}

// A one-sided row that the records do not make at present (an inactive record) is not in contact.
void Mechanics::RefreshContacts() {
  for (int slot : oneSidedSlots_)
    slotFlags_[slot] &= ~kContact;
  RefreshContactFlags();
  for (Row& row : rows_) {
    if (!row.oneSided || row.contact >= 0) continue;
    const bool touching = row.level == Level::Position
                              ? row.g <= kContactGap && Gap(row, true) <= kContactSpeed
                              : Gap(row, false) <= kContactSpeed;
    SetFlag(row, kContact, touching);
  }
}

// The gap of a one-sided row: its position residual, or its rate against the target (for rate
// rows always, for position rows when asked), from the current velocities.
double Mechanics::Gap(const Row& row, bool rate) const {
  if (row.level == Level::Position && !rate) return row.g;
  return RowRate(row) - row.velocityTarget;
}

void Mechanics::FinishAccept(bool flagsStand) {
  for (size_t c = 0; c < model_.constraints.size(); ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind != ConstraintKind::Gear) continue;
    const Vector2d d = pointKin_[record.points[1]].pos - pointKin_[record.points[0]].pos;
    angleUnwrap_[c] +=
        std::remainder(std::atan2(d.y(), d.x()) - angleUnwrap_[c], 2 * std::numbers::pi);
  }
  feet_ = pendingFeet_;
  RecordPulleyDirections();
  if (!flagsStand) RefreshContacts();
}

void Mechanics::RecordPulleyDirections() {
  for (const Pulley& pulley : pulleys_) {
    const std::vector<int>& points = model_.constraints[pulley.constraint].points;
    for (size_t k = 1; k < points.size(); ++k) {
      const Vector2d d = pointKin_[points[k]].pos - pointKin_[points[k - 1]].pos;
      const double length = d.norm();
      // A segment of no length keeps the direction it had.
      if (length > 0) pulleyDirections_[pulley.first + k - 1] = d / length;
    }
  }
}

// The pulley and the segment (0 from the rope's first point to its second) of an event value,
// as EventValues lays them out; the constraint is kNone for any other value.
std::pair<int, int> Mechanics::PulleySegment(int index) const {
  int at = static_cast<int>(model_.constraints.size());
  for (const Pulley& pulley : pulleys_) {
    const int segments = static_cast<int>(model_.constraints[pulley.constraint].points.size()) - 1;
    if (index >= at && index < at + segments) return {pulley.constraint, index - at};
    at += segments;
  }
  return {kNone, 0};
}

int Mechanics::PulleyOfEvent(int index) const {
  return PulleySegment(index).first;
}

DynamicsError Mechanics::PulleyReached(int index, double time) const {
  const auto [constraint, segment] = PulleySegment(index);
  const Constraint& record = model_.constraints[constraint];
  const std::string name = !record.name.empty()
                               ? "\"" + record.name + "\""
                               : "Constraint[" + std::to_string(record.id != kNone ? record.id
                                                                                   : constraint) +
                                     "]";
  // The load is the body at the rope's end of the segment that ran out; between two pulley
  // points, the one that is not the background.
  const std::vector<int>& points = record.points;
  const int last = static_cast<int>(points.size()) - 1;
  int load = segment == 0 ? points[0] : points[segment + 1];
  if (segment != 0 && segment + 1 != last && model_.points[load].body == kBackground)
    load = points[segment];
  char when[64];
  std::snprintf(when, sizeof when, "%.6g", time);
  DynamicsError error{kErrSingular, "at t = " + std::string(when) + " s a load on the rope " +
                                        name +
                                        " has reached a pulley point: the rope cannot pass over "
                                        "its pulley, so the motion cannot go on"};
  error.body = model_.points[load].body;
  return error;
}

void Mechanics::AcceptState(double time, const Eigen::VectorXd& state) {
  time_ = time;
  MoveTo(state);
  const Context context(*this, time);
  pendingFeet_ = feet_;
  BuildRows(context);
  FinishAccept();
}

void Mechanics::EventValues(double time, const Eigen::VectorXd& state,
                            std::vector<double>& values, bool stateNeeded) {
  // Values that cannot depend on the state (every activation a constant, nothing one-sided,
  // no pulley, nothing that collides) are read without moving the bodies there.
  if (!stateNeeded && stateFreeEvents_) {
    values.clear();
    for (const Constraint& record : model_.constraints)
      values.push_back(Checked(record.activation.Constant(), record));
    return;
  }
  // Right after a projection the rows are those of this state.
  const bool current = rowsFromProjection_ && time == projectedTime_ &&
                       state.size() == projectedState_.size() && state == projectedState_;
  time_ = time;
  MoveTo(state);
  const Context context(*this, time);
  values.clear();
  for (size_t c = 0; c < model_.constraints.size(); ++c)
    values.push_back(
        Checked(model_.constraints[c].activation(context.WithConstraint(static_cast<int>(c))),
                model_.constraints[c]));
  // Each pulley segment's length along its direction at the last accepted state, less the reach:
  // it closes when a load comes onto a pulley point.
  for (const Pulley& pulley : pulleys_) {
    const std::vector<int>& points = model_.constraints[pulley.constraint].points;
    for (size_t k = 1; k < points.size(); ++k) {
      const Vector2d d = pointKin_[points[k]].pos - pointKin_[points[k - 1]].pos;
      values.push_back(pulleyDirections_[pulley.first + k - 1].dot(d) - pulleyReach_);
    }
  }
  // The rows are needed only for the gaps of one-sided rows and contacts.
  if (oneSidedSlots_.empty() && colliders_.empty()) return;
  // Without one-sided records, the contacts alone have gaps: they need no rows.
  if (!current && oneSidedSlots_.empty())
    FindContactGaps();
  else if (!current)
    BuildRows(context);
  for (int slot : oneSidedSlots_)
    rowOfSlot_[slot] = -1;
  // Contacts alone (no one-sided record) have no slot to look up among the rows.
  if (!oneSidedSlots_.empty())
    for (size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].oneSided && rows_[i].contact < 0)
        rowOfSlot_[rows_[i].slot] = static_cast<int>(i);
  for (int slot : oneSidedSlots_) {
    const int row = rowOfSlot_[slot];
    if ((slotFlags_[slot] & kContact) != 0 || row < 0)
      values.push_back(1.0);
    else
      values.push_back(Gap(rows_[row], false));
  }
  if (!colliders_.empty()) ContactEventValues(values);
}

}  // namespace yb::dynamics
