#include "solver/dynamics/Mechanics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <Eigen/QR>
#include <Eigen/SparseCholesky>
#include <memory>

namespace yb::dynamics {

namespace {

using Eigen::Vector2d;

Vector2d Perp(const Vector2d& a) {
  return Vector2d(-a.y(), a.x());
}
double Cross(const Vector2d& a, const Vector2d& b) {
  return a.x() * b.y() - a.y() * b.x();
}
Vector2d Rotate(double angle, double x, double y) {
  const double c = std::cos(angle), s = std::sin(angle);
  return Vector2d(c * x - s * y, s * x + c * y);
}

// Time derivatives of a goal value that depends on time, by central differences; constants have
// none. The step balances truncation against rounding for smooth formulas.
double FirstDerivative(const Value& value, const Context& context) {
  if (value.IsConstant()) return 0.0;
  const double h = 1e-5 * std::max(1.0, std::abs(context.Time()));
  return (value(context.WithTime(context.Time() + h)) -
          value(context.WithTime(context.Time() - h))) /
         (2 * h);
}

double SecondDerivative(const Value& value, const Context& context) {
  if (value.IsConstant()) return 0.0;
  const double h = 1e-4 * std::max(1.0, std::abs(context.Time()));
  const double t = context.Time();
  return (value(context.WithTime(t + h)) - 2 * value(context) + value(context.WithTime(t - h))) /
         (h * h);
}

bool IsKinematic(GoalType type) {
  return type == GoalType::Position || type == GoalType::Velocity || type == GoalType::Acceleration;
}

constexpr double kInfinity = 1e300;
constexpr double kContactGap = 1e-9;
constexpr double kContactSpeed = 1e-9;

}  // namespace

// Collects one row's Jacobian entries and its velocity-product term c, so that the row's second
// time derivative is J a + c.
class Mechanics::RowBuilder {
 public:
  RowBuilder(std::vector<std::pair<int, double>>& entries) : entries_(entries) {
    begin_ = static_cast<int>(entries.size());
  }
  void AddPoint(const PointKin& p, const Vector2d& w) {
    if (p.dof >= 0) {
      Add(p.dof, w.x());
      Add(p.dof + 1, w.y());
      Add(p.dof + 2, w.dot(Perp(p.arm)));
    }
    c += w.dot(p.quad);
  }
  void AddAngle(int dof, double k) {
    if (dof >= 0) Add(dof + 2, k);
  }
  int Begin() const { return begin_; }
  int Count() const { return static_cast<int>(entries_.size()) - begin_; }
  void Scale(double s) {
    for (size_t i = begin_; i < entries_.size(); ++i)
      entries_[i].second *= s;
    c *= s;
  }
  double c = 0;

 private:
  void Add(int dof, double value) { entries_.emplace_back(dof, value); }
  std::vector<std::pair<int, double>>& entries_;
  int begin_;
};

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
    const size_t needed = c.kind == ConstraintKind::Force ? 1 : 2;
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
  gearReference_.assign(n, 0.0);
  angleUnwrap_.assign(n, 0.0);
  constraintForce_.assign(3 * n, 0.0);
  coordinate_.assign(n, 0.0);
  rate_.assign(n, 0.0);
  velocity_ = State().tail(dofCount_);
  UpdateKinematics();
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind == ConstraintKind::Gear) {
      const Vector2d d = pointKin_[record.points[1]].pos - pointKin_[record.points[0]].pos;
      if (d.norm() == 0) throw DynamicsError{kErrBadModel, "gear centres coincide"};
      angleUnwrap_[c] = std::atan2(d.y(), d.x());
    }
  }
  // The no-slip coordinates hold the values they have at the start.
  Context context(*this, 0.0);
  BuildRows(context);
  for (const Row& row : rows_) {
    const Constraint& record = model_.constraints[row.constraint];
    if (record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack)
      gearReference_[row.constraint] = row.g;
  }
  for (size_t c = 0; c < n; ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack) continue;
    for (size_t gi = 0; gi < record.goals.size(); ++gi) {
      const Goal& goal = record.goals[gi];
      if (!IsKinematic(goal.type) || goal.marking == kEquality) continue;
      int subs = static_cast<int>(record.points.size()) - 1;
      if (record.kind == ConstraintKind::Rotational || record.kind == ConstraintKind::Rod ||
          (record.kind == ConstraintKind::Linear && goal.component == Component::X))
        subs = 1;
      if (record.kind == ConstraintKind::Force || record.kind == ConstraintKind::CurvedSlot)
        subs = 0;
      for (int k = 0; k < subs; ++k)
        oneSidedKeys_.push_back(Key(c, gi, k));
    }
  }
  RefreshContacts();
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

void Mechanics::SetState(double time, const Eigen::VectorXd& state) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
}

void Mechanics::Unpack(const Eigen::VectorXd& state) {
  for (int i = 0; i < BodyCount(); ++i) {
    const int dof = bodyKin_[i].dof;
    if (dof < 0) continue;
    for (int k = 0; k < 3; ++k) {
      q_[3 * i + k] = state[dof + k];
      v_[3 * i + k] = state[dofCount_ + dof + k];
    }
  }
  velocity_ = state.tail(dofCount_);
}

void Mechanics::UpdateKinematics() {
  for (int i = 0; i < BodyCount(); ++i) {
    bodyKin_[i].angle = q_[3 * i + 2];
    bodyKin_[i].omega = v_[3 * i + 2];
  }
  pointKin_.resize(model_.points.size());
  for (size_t k = 0; k < model_.points.size(); ++k) {
    const Point& p = model_.points[k];
    const dynamics::Body& b = model_.bodies[p.body];
    const int i = p.body;
    const double angle = q_[3 * i + 2], omega = v_[3 * i + 2];
    PointKin& pk = pointKin_[k];
    pk.dof = bodyKin_[i].dof;
    pk.body = i;
    pk.arm = Rotate(angle, p.x - b.comX, p.y - b.comY);
    pk.pos = Vector2d(q_[3 * i], q_[3 * i + 1]) + pk.arm;
    pk.vel = Vector2d(v_[3 * i], v_[3 * i + 1]) + omega * Perp(pk.arm);
    pk.quad = -omega * omega * pk.arm;
    pk.angle = angle + p.r;
    pk.omega = omega;
  }
  // Coordinates and rates of two-ended records, which force laws read.
  for (size_t c = 0; c < model_.constraints.size(); ++c) {
    const Constraint& record = model_.constraints[c];
    coordinate_[c] = rate_[c] = 0;
    if (record.points.size() < 2) continue;
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
}

BodyState Mechanics::Body(int index) const {
  if (index < 0 || index >= BodyCount())
    throw DynamicsError{kErrBadModel, "a formula names a body that does not exist"};
  const dynamics::Body& b = model_.bodies[index];
  const double angle = q_[3 * index + 2], omega = v_[3 * index + 2];
  const Vector2d arm = Rotate(angle, b.comX, b.comY);
  BodyState s;
  s.x = q_[3 * index] - arm.x();
  s.y = q_[3 * index + 1] - arm.y();
  s.r = angle;
  s.vx = v_[3 * index] + omega * arm.y();
  s.vy = v_[3 * index + 1] - omega * arm.x();
  s.vr = omega;
  s.mass = b.mass;
  s.moment = b.moment;
  s.charge = b.charge;
  return s;
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

double Mechanics::Checked(double value, const Constraint& record) {
  if (!std::isfinite(value))
    throw DynamicsError{kErrNotANumber, "a goal of \"" + record.name + "\" gave no number"};
  return value;
}

int Mechanics::FrameBody(const Constraint& record) const {
  if (record.frameBody != kNone) return record.frameBody;
  if (record.kind == ConstraintKind::Slot || record.kind == ConstraintKind::CurvedSlot)
    return model_.points[record.points[0]].body;
  return kNone;
}

double Mechanics::FrameAngle(const Context& context, const Constraint& record) const {
  double angle = Checked(record.frameAngle(context), record);
  if (record.frameBody != kNone) angle += bodyKin_[record.frameBody].angle;
  if (record.kind == ConstraintKind::Slot || record.kind == ConstraintKind::CurvedSlot)
    angle += pointKin_[record.points[0]].angle;
  return angle;
}

bool Mechanics::IsActive(const Context& context, int c) const {
  const Constraint& record = model_.constraints[c];
  return Checked(record.activation(context.WithConstraint(c)), record) > 0;
}

void Mechanics::BuildRows(const Context& context) {
  rowsFromProjection_ = false;
  rows_.clear();
  entries_.clear();
  for (int c = 0; c < static_cast<int>(model_.constraints.size()); ++c) {
    if (!IsActive(context, c)) continue;
    AddGoalRows(context.WithConstraint(c), c);
  }
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& row = rows_[i];
    if (i > 0 && rows_[i - 1].constraint == row.constraint && rows_[i - 1].goal == row.goal)
      row.sub = rows_[i - 1].sub + 1;
    row.candidate = !row.oneSided || contacts_.count(Key(row)) > 0;
    row.redundant = redundantKeys_.count(Key(row)) > 0;
    row.saturated = saturatedKeys_.count(Key(row)) > 0;
  }
}

// The quantity a goal holds, its Jacobian and velocity-product term, per kind.
void Mechanics::AddGoalRows(const Context& context, int c) {
  const Constraint& record = model_.constraints[c];
  // A force goal marked as a limit bounds the drive's multiplier instead of loading the bodies.
  double forceLimit = kInfinity;
  bool kinematicDrive = false;
  for (const Goal& goal : record.goals)
    if (IsKinematic(goal.type) && goal.marking == kEquality) kinematicDrive = true;
  for (const Goal& goal : record.goals)
    if (goal.type == GoalType::Force && goal.marking != kEquality && kinematicDrive)
      forceLimit = std::abs(Checked(goal.value(context), record));

  for (int gi = 0; gi < static_cast<int>(record.goals.size()); ++gi) {
    const Goal& goal = record.goals[gi];
    if (!IsKinematic(goal.type)) continue;
    const PointKin& p0 = pointKin_[record.points[0]];
    auto emit = [&](RowBuilder& b, double quantity) {
      AddPositionRow(b, context, record, goal, c, gi, quantity);
      if (goal.marking == kEquality && forceLimit < kInfinity) {
        rows_.back().lower = -forceLimit;
        rows_.back().upper = forceLimit;
      }
    };
    switch (record.kind) {
      case ConstraintKind::Pin:
      case ConstraintKind::Slot:
      case ConstraintKind::Custom:
      case ConstraintKind::Linear:
        if (record.kind == ConstraintKind::Linear && goal.component == Component::X) {
          const PointKin& p1 = pointKin_[record.points[1]];
          const Vector2d d = p1.pos - p0.pos;
          const double length = d.norm();
          if (length == 0) throw DynamicsError{kErrSingular, "the ends of a drive coincide"};
          const Vector2d u = d / length;
          const Vector2d dv = p1.vel - p0.vel;
          RowBuilder b(entries_);
          b.AddPoint(p1, u);
          b.AddPoint(p0, -u);
          b.c += (dv.squaredNorm() - std::pow(u.dot(dv), 2)) / length;
          emit(b, length);
          break;
        }
        for (size_t k = 1; k < record.points.size(); ++k) {
          const PointKin& pk = pointKin_[record.points[k]];
          RowBuilder b(entries_);
          if (goal.component == Component::Rotation) {
            b.AddAngle(pk.dof, 1);
            b.AddAngle(p0.dof, -1);
            emit(b, pk.angle - p0.angle);
            continue;
          }
          const int frameBody = FrameBody(record);
          double angle = FrameAngle(context, record);
          if (goal.component == Component::Y) angle += std::numbers::pi / 2;
          const Vector2d e(std::cos(angle), std::sin(angle));
          const Vector2d d = pk.pos - p0.pos;
          const Vector2d dd = pk.vel - p0.vel;
          b.AddPoint(pk, e);
          b.AddPoint(p0, -e);
          if (frameBody != kNone) {
            const double w = bodyKin_[frameBody].omega;
            b.AddAngle(bodyKin_[frameBody].dof, Perp(e).dot(d));
            b.c += -w * w * e.dot(d) + 2 * w * Perp(e).dot(dd);
          }
          emit(b, e.dot(d));
        }
        break;
      case ConstraintKind::Rotational: {
        const PointKin& p1 = pointKin_[record.points[1]];
        RowBuilder b(entries_);
        b.AddAngle(p1.dof, 1);
        b.AddAngle(p0.dof, -1);
        emit(b, p1.angle - p0.angle);
        break;
      }
      case ConstraintKind::Rod: {
        RowBuilder b(entries_);
        double length = 0;
        for (size_t k = 1; k < record.points.size(); ++k) {
          const PointKin& a = pointKin_[record.points[k - 1]];
          const PointKin& e = pointKin_[record.points[k]];
          const Vector2d d = e.pos - a.pos;
          const double segment = d.norm();
          if (segment == 0) throw DynamicsError{kErrSingular, "two points of a rod coincide"};
          const Vector2d u = d / segment;
          const Vector2d dv = e.vel - a.vel;
          b.AddPoint(e, u);
          b.AddPoint(a, -u);
          b.c += (dv.squaredNorm() - std::pow(u.dot(dv), 2)) / segment;
          length += segment;
        }
        emit(b, length);
        break;
      }
      case ConstraintKind::Gear: {
        // rho_a theta_a + rho_b theta_b - phi stays constant, phi being the angle of the line of
        // centres: the contact points of both gears move alike across that line.
        const PointKin& p1 = pointKin_[record.points[1]];
        const double R = record.ratio;
        const double rhoA = record.internal ? R / (R - 1) : R / (1 + R);
        const double rhoB = record.internal ? 1 / (1 - R) : 1 / (1 + R);
        const Vector2d d = p1.pos - p0.pos;
        const Vector2d dd = p1.vel - p0.vel;
        const double d2 = d.squaredNorm();
        if (d2 == 0) throw DynamicsError{kErrSingular, "gear centres coincide"};
        double phi = std::atan2(d.y(), d.x());
        phi = angleUnwrap_[c] + std::remainder(phi - angleUnwrap_[c], 2 * std::numbers::pi);
        RowBuilder b(entries_);
        b.AddAngle(p0.dof, rhoA);
        b.AddAngle(p1.dof, rhoB);
        b.AddPoint(p1, -Perp(d) / d2);
        b.AddPoint(p0, Perp(d) / d2);
        b.c += 2 * d.dot(dd) * Cross(d, dd) / (d2 * d2);
        emit(b, rhoA * p0.angle + rhoB * p1.angle - phi);
        break;
      }
      case ConstraintKind::Rack: {
        // The pinion's rim moves with the rack along the rack's direction.
        const PointKin& rack = pointKin_[record.points[1]];
        const Vector2d e(std::cos(rack.angle), std::sin(rack.angle));
        const Vector2d d = p0.pos - rack.pos;
        const Vector2d dd = p0.vel - rack.vel;
        const double w = rack.omega;
        RowBuilder b(entries_);
        b.AddPoint(p0, e);
        b.AddPoint(rack, -e);
        b.AddAngle(rack.dof, Perp(e).dot(d));
        b.c += -w * w * e.dot(d) + 2 * w * Perp(e).dot(dd);
        b.AddAngle(p0.dof, record.ratio);
        b.AddAngle(rack.dof, -record.ratio);
        emit(b, e.dot(d) + record.ratio * (p0.angle - rack.angle));
        break;
      }
      case ConstraintKind::CurvedSlot:
        for (size_t k = 1; k < record.points.size(); ++k) {
          RowBuilder b(entries_);
          emit(b, CurveDistance(context, c, p0, pointKin_[record.points[k]], b, k == 1));
        }
        break;
      case ConstraintKind::Force:
        break;
    }
  }
}

// The signed distance of a point from the curve, which is held in the frame of the primary
// point. Near the curve its gradient is the unit normal n at the foot, and its Hessian in the
// curve's frame is -k t t' / (1 - k d) for the curvature k, which gives the velocity-product term.
double Mechanics::CurveDistance(const Context& context, int c, const PointKin& origin,
                                const PointKin& point, RowBuilder& b, bool keepFoot) {
  const CubicSpline& curve = *curves_[c];
  const Constraint& record = model_.constraints[c];
  const int frameBody = FrameBody(record);
  const double angle = FrameAngle(context, record);
  const double w = bodyKin_[frameBody].omega;
  const double cs = std::cos(angle), sn = std::sin(angle);
  const Vector2d d = point.pos - origin.pos, dd = point.vel - origin.vel;
  const Vector2d q(cs * d.x() + sn * d.y(), -sn * d.x() + cs * d.y());
  const Vector2d rdd(cs * dd.x() + sn * dd.y(), -sn * dd.x() + cs * dd.y());
  const Vector2d qdot = rdd - w * Perp(q);
  const SplineFoot foot = curve.Nearest({q.x(), q.y()}, 1e-9, &feet_[c]);
  if (keepFoot) pendingFeet_[c] = foot;
  SplinePoint tangent;
  curve.At(foot.t, &tangent);
  Vector2d t(tangent.x, tangent.y);
  const double speed = t.norm();
  if (speed == 0) throw DynamicsError{kErrSingular, "a curved slot has no direction here"};
  t /= speed;
  const Vector2d n = Perp(t);
  // Curvature from the change of the tangent along the curve.
  const double h = 1e-6 * std::max(1.0, curve.Length());
  SplinePoint ta, tb;
  curve.At(foot.t - h, &ta);
  curve.At(foot.t + h, &tb);
  const Vector2d second((tb.x - ta.x) / (2 * h), (tb.y - ta.y) / (2 * h));
  const double kappa = Cross(t * speed, second) / (speed * speed * speed);
  const SplinePoint at = curve.At(foot.t);
  const double distance = n.dot(q - Vector2d(at.x, at.y));
  const Vector2d N(cs * n.x() - sn * n.y(), sn * n.x() + cs * n.y());
  b.AddPoint(point, N);
  b.AddPoint(origin, -N);
  b.AddAngle(bodyKin_[frameBody].dof, -N.dot(Perp(d)));
  const double tq = t.dot(qdot);
  b.c += -w * N.dot(Perp(dd)) - w * n.dot(Perp(qdot)) - kappa * tq * tq / (1 - kappa * distance);
  return distance;
}

void Mechanics::AddPositionRow(RowBuilder& b, const Context& context, const Constraint& record,
                               const Goal& goal, int c, int goalIndex, double quantity) {
  Row row;
  row.constraint = c;
  row.goal = goalIndex;
  row.component = goal.component;
  const bool noSlip = record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack;
  double rate = 0;
  for (int i = b.Begin(); i < b.Begin() + b.Count(); ++i)
    rate += entries_[i].second * velocity_[entries_[i].first];
  const double value = noSlip ? gearReference_[c] : Checked(goal.value(context), record);
  row.oneSided = goal.marking != kEquality && !noSlip;
  switch (goal.type) {
    case GoalType::Position:
      row.level = Level::Position;
      row.g = quantity - value;
      row.velocityTarget = noSlip ? 0 : FirstDerivative(goal.value, context);
      row.gamma = -b.c + (noSlip ? 0 : SecondDerivative(goal.value, context));
      break;
    case GoalType::Velocity:
      row.level = Level::Velocity;
      row.g = rate - value;
      row.velocityTarget = value;
      row.gamma = -b.c + FirstDerivative(goal.value, context);
      break;
    default:
      row.level = Level::Acceleration;
      row.gamma = -b.c + value;
      break;
  }
  // One-sided rows are turned so that the admissible side is g >= 0, pushed by lambda >= 0.
  if (row.oneSided) {
    const double sign = goal.marking == kUpperLimit ? -1.0 : 1.0;
    b.Scale(sign);
    row.g *= sign;
    row.velocityTarget *= sign;
    row.gamma = sign * row.gamma;
    row.lower = 0;
  }
  row.begin = b.Begin();
  row.count = b.Count();
  rows_.push_back(row);
}

}  // namespace yb::dynamics

namespace yb::dynamics {

double Mechanics::Checked(double value, const std::string& name) {
  if (!std::isfinite(value))
    throw DynamicsError{kErrNotANumber, "a formula of \"" + name + "\" gave no number"};
  return value;
}

double Mechanics::RowRate(const Row& row) const {
  double rate = 0;
  for (int i = row.begin; i < row.begin + row.count; ++i)
    rate += entries_[i].second * velocity_[entries_[i].first];
  return rate;
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

void Mechanics::ApplyFieldForces(const Context& context) {
  for (const Field& field : model_.fields) {
    for (int self : field.members) {
      if (bodyKin_[self].dof < 0) continue;
      const int dof = bodyKin_[self].dof;
      auto apply = [&](const Context& ctx, double angle) {
        for (const Goal& goal : field.goals) {
          if (goal.type != GoalType::Force) continue;
          const double value = Checked(goal.value(ctx), field.name);
          if (goal.component == Component::Rotation) {
            force_[dof + 2] += value;
            continue;
          }
          const double a = angle + (goal.component == Component::Y ? std::numbers::pi / 2 : 0.0);
          force_[dof] += value * std::cos(a);
          force_[dof + 1] += value * std::sin(a);
        }
      };
      if (!field.pairwise) {
        const Context ctx = context.WithSelf(self);
        apply(ctx, Checked(field.direction(ctx), field.name));
        continue;
      }
      for (int other : field.members) {
        if (other == self) continue;
        const BodyState s = Body(self), o = Body(other);
        if (s.x == o.x && s.y == o.y) continue;  // no line between them
        apply(context.WithSelf(self, other), std::atan2(s.y - o.y, s.x - o.x));
      }
    }
  }
}

void Mechanics::AddForces(const Context& context) {
  force_.setZero();
  nextConstraintForce_.assign(constraintForce_.size(), 0.0);
  ApplyFieldForces(context);
  for (int c = 0; c < static_cast<int>(model_.constraints.size()); ++c) {
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

Eigen::VectorXd Mechanics::MulJ(const std::vector<int>& rows, const Eigen::VectorXd& x) const {
  Eigen::VectorXd out(static_cast<int>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    double sum = 0;
    for (int i = row.begin; i < row.begin + row.count; ++i)
      sum += entries_[i].second * x[entries_[i].first];
    out[static_cast<int>(r)] = sum;
  }
  return out;
}

Eigen::VectorXd Mechanics::MulJt(const std::vector<int>& rows, const Eigen::VectorXd& y) const {
  Eigen::VectorXd out = Eigen::VectorXd::Zero(dofCount_);
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    for (int i = row.begin; i < row.begin + row.count; ++i)
      out[entries_[i].first] += entries_[i].second * y[static_cast<int>(r)];
  }
  return out;
}

// Factorises J W J' over the rows. The matrix is assembled body by body from the rows that
// touch each coordinate, so its cost follows the number of joints; its pattern only changes with
// the row set, so the ordering and symbolic analysis are reused between evaluations.
void Mechanics::Factorise(const std::vector<int>& rows) {
  byDof_.resize(dofCount_);
  for (auto& list : byDof_)
    list.clear();
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    for (int i = row.begin; i < row.begin + row.count; ++i)
      byDof_[entries_[i].first].emplace_back(static_cast<int>(r), entries_[i].second);
  }
  triplets_.clear();
  for (int dof = 0; dof < dofCount_; ++dof) {
    const double w = invMass_[dof];
    for (const auto& [ra, va] : byDof_[dof])
      for (const auto& [rb, vb] : byDof_[dof])
        if (ra >= rb) triplets_.emplace_back(ra, rb, va * w * vb);
  }
  const int n = static_cast<int>(rows.size());
  // Entries at the same places as last time: add the values into the kept pattern instead of
  // sorting the entries again.
  bool samePlaces = factorised_ && schur_.rows() == n && triplets_.size() == schurSlots_.size();
  for (size_t i = 0; samePlaces && i < triplets_.size(); ++i)
    samePlaces =
        schurPlaces_[i].first == triplets_[i].row() && schurPlaces_[i].second == triplets_[i].col();
  if (samePlaces) {
    double* values = schur_.valuePtr();
    std::fill(values, values + schur_.nonZeros(), 0.0);
    for (size_t i = 0; i < triplets_.size(); ++i)
      values[schurSlots_[i]] += triplets_[i].value();
  } else {
    schur_.resize(n, n);
    schur_.setFromTriplets(triplets_.begin(), triplets_.end());
    schurSlots_.resize(triplets_.size());
    for (size_t i = 0; i < triplets_.size(); ++i) {
      const int col = triplets_[i].col();
      const int* begin = schur_.innerIndexPtr() + schur_.outerIndexPtr()[col];
      const int* end = schur_.innerIndexPtr() + schur_.outerIndexPtr()[col + 1];
      schurSlots_[i] = static_cast<int>(std::lower_bound(begin, end, triplets_[i].row()) -
                                        schur_.innerIndexPtr());
    }
    schurPlaces_.resize(triplets_.size());
    for (size_t i = 0; i < triplets_.size(); ++i)
      schurPlaces_[i] = {triplets_[i].row(), triplets_[i].col()};
    ldlt_.analyzePattern(schur_);
    factorised_ = true;
  }
  ldlt_.factorize(schur_);
  if (ldlt_.info() != Eigen::Success)
    throw DynamicsError{kErrSingular, "the constraints cannot be solved together"};
}

void Mechanics::SelectRows() {
  std::vector<int> signature;
  std::vector<int> candidates;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i].candidate) continue;
    candidates.push_back(static_cast<int>(i));
    signature.push_back(rows_[i].constraint);
    signature.push_back(rows_[i].goal);
    signature.push_back(rows_[i].sub);
  }
  if (signature != lastSignature_) {
    lastSignature_ = signature;
    active_ = candidates;
    FindRedundantRows();
  }
  solveRows_.clear();
  for (int i : candidates)
    if (!rows_[i].redundant) solveRows_.push_back(i);
}

// Rows that depend on others are dropped from the solve (their multipliers stay zero) and
// reported; consistent redundant constraints are then still satisfied by the others.
void Mechanics::FindRedundantRows() {
  redundantKeys_.clear();
  redundant_.clear();
  const int n = static_cast<int>(active_.size());
  if (n == 0 || dofCount_ == 0) {
    for (int i : active_)
      redundantKeys_.insert(Key(rows_[i]));
  } else {
    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(dofCount_, n);
    for (int j = 0; j < n; ++j) {
      const Row& row = rows_[active_[j]];
      for (int i = row.begin; i < row.begin + row.count; ++i)
        m(entries_[i].first, j) += entries_[i].second * std::sqrt(invMass_[entries_[i].first]);
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(m.rows(), m.cols());
    qr.setThreshold(1e-10);
    qr.compute(m);
    const auto& permutation = qr.colsPermutation().indices();
    for (int j = static_cast<int>(qr.rank()); j < n; ++j)
      redundantKeys_.insert(Key(rows_[active_[permutation[j]]]));
  }
  for (Row& row : rows_)
    row.redundant = redundantKeys_.count(Key(row)) > 0;
  for (const Row& row : rows_) {
    if (!row.redundant) continue;
    if (std::find(redundant_.begin(), redundant_.end(), row.constraint) != redundant_.end())
      continue;
    redundant_.push_back(row.constraint);
    warnings_.push_back(Warning{Warning::Kind::Redundant, row.constraint, time_});
  }
}

// Bounded least-effort solve by pivoting: rows whose multiplier leaves its bounds are clamped
// there; clamped rows whose residual shows they are no longer needed are freed again.
void Mechanics::SolveBounded(const std::vector<int>& rows, const Eigen::VectorXd& b,
                             const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                             Eigen::VectorXd& x) {
  const int n = static_cast<int>(rows.size());
  x = Eigen::VectorXd::Zero(n);
  if (n == 0) return;
  bool bounded = false;
  for (int i = 0; i < n; ++i)
    bounded = bounded || lower[i] > -kInfinity || upper[i] < kInfinity;
  if (!bounded) {
    Factorise(rows);
    x = ldlt_.solve(b);
    return;
  }
  std::vector<Bound> state(n, Bound::Free);
  const int maxIterations = 4 * n + 10;
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    std::vector<int> freeRows, freeGlobal;
    Eigen::VectorXd clamped = Eigen::VectorXd::Zero(n);
    for (int i = 0; i < n; ++i) {
      if (state[i] == Bound::Free) {
        freeRows.push_back(i);
        freeGlobal.push_back(rows[i]);
      } else {
        clamped[i] = state[i] == Bound::AtLower ? lower[i] : upper[i];
      }
    }
    const Eigen::VectorXd pushed = MulJ(rows, invMass_.cwiseProduct(MulJt(rows, clamped)));
    x = clamped;
    if (!freeRows.empty()) {
      Factorise(freeGlobal);
      Eigen::VectorXd rhs(static_cast<int>(freeRows.size()));
      for (size_t r = 0; r < freeRows.size(); ++r)
        rhs[r] = b[freeRows[r]] - pushed[freeRows[r]];
      const Eigen::VectorXd solution = ldlt_.solve(rhs);
      for (size_t r = 0; r < freeRows.size(); ++r)
        x[freeRows[r]] = solution[r];
    }
    // The free row furthest outside its bounds is clamped first.
    int worst = -1;
    double worstExcess = 0;
    for (int i : freeRows) {
      const double excess = std::max(lower[i] - x[i], x[i] - upper[i]);
      if (excess > worstExcess * (1 + 1e-12) + 1e-14) {
        worst = i;
        worstExcess = excess;
      }
    }
    if (worst >= 0) {
      state[worst] = x[worst] < lower[worst] ? Bound::AtLower : Bound::AtUpper;
      continue;
    }
    const Eigen::VectorXd residual = MulJ(rows, invMass_.cwiseProduct(MulJt(rows, x))) - b;
    double worstResidual = 1e-12;
    for (int i = 0; i < n; ++i) {
      const double wrong = state[i] == Bound::AtLower   ? -residual[i]
                           : state[i] == Bound::AtUpper ? residual[i]
                                                        : 0.0;
      if (wrong > worstResidual) {
        worst = i;
        worstResidual = wrong;
      }
    }
    if (worst < 0) return;
    state[worst] = Bound::Free;
  }
}

void Mechanics::Derivative(double time, const Eigen::VectorXd& state, Eigen::VectorXd& derivative) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
  const Context context(*this, time);
  AddForces(context);
  BuildRows(context);
  SelectRows();
  const int n = static_cast<int>(solveRows_.size());
  Eigen::VectorXd b(n), lower(n), upper(n);
  const Eigen::VectorXd free = MulJ(solveRows_, invMass_.cwiseProduct(force_));
  for (int i = 0; i < n; ++i) {
    const Row& row = rows_[solveRows_[i]];
    b[i] = row.gamma - free[i];
    lower[i] = row.lower;
    upper[i] = row.upper;
  }
  Eigen::VectorXd lambda;
  SolveBounded(solveRows_, b, lower, upper, lambda);
  const Eigen::VectorXd total = force_ + MulJt(solveRows_, lambda);
  derivative.resize(2 * dofCount_);
  derivative.head(dofCount_) = velocity_;
  derivative.tail(dofCount_) = invMass_.cwiseProduct(total);
  acceleration_ = derivative.tail(dofCount_);
  for (int i = 0; i < n; ++i) {
    Row& row = rows_[solveRows_[i]];
    row.lambda = lambda[i];
    row.saturated = !row.oneSided && (lambda[i] <= row.lower || lambda[i] >= row.upper);
    if (row.saturated)
      saturatedKeys_.insert(Key(row));
    else
      saturatedKeys_.erase(Key(row));
    nextConstraintForce_[3 * row.constraint + static_cast<int>(row.component)] += lambda[i];
  }
  constraintForce_.swap(nextConstraintForce_);
  for (int i = 0; i < derivative.size(); ++i)
    if (!std::isfinite(derivative[i]))
      throw DynamicsError{kErrNotANumber, "the accelerations gave no number"};
}

double Mechanics::Project(double time, Eigen::VectorXd& state, double tolerance) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
  const Context context(*this, time);
  double residual = 0;
  int worstRow = -1;
  bool moved = true;  // the rows were built before the positions last changed
  for (int iteration = 0; iteration < 12; ++iteration) {
    BuildRows(context);
    moved = false;
    if (iteration == 0) RefreshContacts();
    SelectRows();
    std::vector<int> rows;
    Eigen::VectorXd g(static_cast<int>(solveRows_.size()));
    residual = 0;
    for (int i : solveRows_) {
      const Row& row = rows_[i];
      if (row.level != Level::Position || row.saturated) continue;
      if (row.oneSided && row.g >= 0) continue;
      g[static_cast<int>(rows.size())] = row.g;
      if (std::abs(row.g) > residual) {
        residual = std::abs(row.g);
        worstRow = i;
      }
      rows.push_back(i);
    }
    if (residual <= tolerance) break;
    const int n = static_cast<int>(rows.size());
    const Eigen::VectorXd none = Eigen::VectorXd::Constant(n, kInfinity);
    Eigen::VectorXd delta;
    SolveBounded(rows, g.head(n), -none, none, delta);
    const Eigen::VectorXd dq = -invMass_.cwiseProduct(MulJt(rows, delta));
    state.head(dofCount_) += dq;
    Unpack(state);
    UpdateKinematics();
    moved = true;
  }
  if (residual > tolerance && worstRow >= 0)
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
    SelectRows();
  }
  SolveVelocities(state);
  Unpack(state);
  UpdateKinematics();
  // The rows were built at these positions; only the velocities changed since.
  FinishAccept();
  projectedTime_ = time;
  projectedState_ = state;
  rowsFromProjection_ = true;
  return residual;
}

// Velocities onto the rows built at the present positions: equalities exactly, one-sided rows in
// contact so that they do not approach, by the smallest change in kinetic energy.
void Mechanics::SolveVelocities(Eigen::VectorXd& state) {
  std::vector<int> rows;
  for (int i : solveRows_) {
    const Row& row = rows_[i];
    if (row.level == Level::Acceleration || row.saturated) continue;
    rows.push_back(i);
  }
  const int n = static_cast<int>(rows.size());
  Eigen::VectorXd b(n), lower(n), upper(n);
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[rows[k]];
    b[k] = row.velocityTarget - RowRate(row);
    lower[k] = row.oneSided ? 0.0 : -kInfinity;
    upper[k] = kInfinity;
  }
  Eigen::VectorXd impulse;
  SolveBounded(rows, b, lower, upper, impulse);
  if (n > 0) state.tail(dofCount_) += invMass_.cwiseProduct(MulJt(rows, impulse));
}

void Mechanics::ProjectVelocities(double time, Eigen::VectorXd& state) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
  const Context context(*this, time);
  BuildRows(context);
  SelectRows();
  SolveVelocities(state);
  Unpack(state);
  UpdateKinematics();
}

void Mechanics::RefreshContacts() {
  contacts_.clear();
  for (const Row& row : rows_) {
    if (!row.oneSided) continue;
    const bool touching = row.level == Level::Position
                              ? row.g <= kContactGap && Gap(row, true) <= kContactSpeed
                              : Gap(row, false) <= kContactSpeed;
    if (touching) contacts_.insert(Key(row));
  }
  for (Row& row : rows_)
    row.candidate = !row.oneSided || contacts_.count(Key(row)) > 0;
}

// The gap of a one-sided row: its position residual, or its rate against the target (for rate
// rows always, for position rows when asked), from the current velocities.
double Mechanics::Gap(const Row& row, bool rate) const {
  if (row.level == Level::Position && !rate) return row.g;
  return RowRate(row) - row.velocityTarget;
}

void Mechanics::FinishAccept() {
  for (size_t c = 0; c < model_.constraints.size(); ++c) {
    const Constraint& record = model_.constraints[c];
    if (record.kind != ConstraintKind::Gear) continue;
    const Vector2d d = pointKin_[record.points[1]].pos - pointKin_[record.points[0]].pos;
    angleUnwrap_[c] +=
        std::remainder(std::atan2(d.y(), d.x()) - angleUnwrap_[c], 2 * std::numbers::pi);
  }
  feet_ = pendingFeet_;
  RefreshContacts();
}

void Mechanics::AcceptState(double time, const Eigen::VectorXd& state) {
  time_ = time;
  Unpack(state);
  UpdateKinematics();
  const Context context(*this, time);
  pendingFeet_ = feet_;
  BuildRows(context);
  FinishAccept();
}

void Mechanics::EventValues(double time, const Eigen::VectorXd& state,
                            std::vector<double>& values) {
  // Right after a projection the rows are those of this state.
  const bool current = rowsFromProjection_ && time == projectedTime_ &&
                       state.size() == projectedState_.size() && state == projectedState_;
  time_ = time;
  Unpack(state);
  UpdateKinematics();
  const Context context(*this, time);
  values.clear();
  for (size_t c = 0; c < model_.constraints.size(); ++c)
    values.push_back(
        Checked(model_.constraints[c].activation(context.WithConstraint(static_cast<int>(c))),
                model_.constraints[c]));
  if (!current) BuildRows(context);
  std::map<int64_t, int> rowOfKey;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].oneSided) rowOfKey[Key(rows_[i])] = static_cast<int>(i);
  for (int64_t key : oneSidedKeys_) {
    const auto found = rowOfKey.find(key);
    if (contacts_.count(key) > 0 || found == rowOfKey.end())
      values.push_back(1.0);
    else
      values.push_back(Gap(rows_[found->second], false));
  }
}

}  // namespace yb::dynamics
