// The rows each kind of constraint record makes of its goals: the quantity held, its Jacobian
// and the velocity-product term of its second derivative.

#include <cmath>
#include <numbers>

#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

// Collects one row's Jacobian entries and its velocity-product term c, so that the row's second
// time derivative is J a + c.
class Mechanics::RowBuilder {
 public:
  RowBuilder(LargeVector<std::pair<int, double>>& entries) : entries_(entries) {
    begin_ = static_cast<int>(entries.size());
  }
  // In scalars, and always inline: this runs for both ends of every row of every evaluation,
  // and a call for each costs more than its work.
  [[gnu::always_inline]] void AddPoint(const PointKin& p, const Vector2d& w) {
    const double wx = w.x(), wy = w.y();
    if (p.dof >= 0) {
      Add(p.dof, wx);
      Add(p.dof + 1, wy);
      Add(p.dof + 2, wx * -p.arm.y() + wy * p.arm.x());
    }
    c += wx * p.quad.x() + wy * p.quad.y();
  }
  void AddAngle(int dof, double k) {
    if (dof >= 0) Add(dof + 2, k);
  }
  void AddCoordinate(int index, double k) { Add(index, k); }
  int Begin() const { return begin_; }
  int Count() const { return static_cast<int>(entries_.size()) - begin_; }
  void Scale(double s) {
    for (size_t i = begin_; i < entries_.size(); ++i)
      entries_[i].second *= s;
    c *= s;
  }
  double c = 0;

 private:
  // Entries that are exactly zero (a world-frame pin row on the other axis, a point at the
  // centre of mass on the rotation) are left out: they add nothing but work to every product.
  void Add(int dof, double value) {
    if (value != 0) entries_.emplace_back(dof, value);
  }
  LargeVector<std::pair<int, double>>& entries_;
  int begin_;
};

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
  if (record.activation.IsConstant()) return Checked(record.activation.Constant(), record) > 0;
  return Checked(record.activation(context.WithConstraint(c)), record) > 0;
}

void Mechanics::BuildRows(const Context& context, ContactRowsFor scope) {
  rowsFromProjection_ = false;
  ++entryValues_;
  // Where every record is a plain pin that is always active, every build makes the same rows:
  // once they are made, only what the positions change is made anew, the entries written in
  // place (a build nearly always makes as many as the last).
  if (onlyPlainPins_ && plainRowsBuilt_) {
    entries_.resize(kPlainPinEntries * rows_.size());
    std::pair<int, double>* out = entries_.data();
    int made = 0;
    for (size_t r = 0; r < rows_.size(); ++r) {
      Row& row = rows_[r];
      const uint8_t flags = slotFlags_[row.slot];
      row.redundant = (flags & kRedundant) != 0;
      row.saturated = (flags & kSaturated) != 0;
      row.lambda = 0;
      made += SetPlainPinRow(row, pinPlans_[r], out, made);
    }
    entries_.resize(made);
    // Exact zeros are left out, so the layout stays only while none is.
    const bool full = entries_.size() == fullPinEntries_;
    if (!full || !pinEntriesFull_) ++entryLayout_;
    pinEntriesFull_ = full;
    return;
  }
  ++entryLayout_;
  builtRows_ = 0;
  plainRowsSelected_ = false;
  pinPlans_.clear();
  // The contacts' rows alone are left where they stand: the build at the same positions can
  // take them back as they are.
  if (!model_.constraints.empty() || colliders_.empty()) {
    entries_.clear();
    for (int c = 0; c < static_cast<int>(model_.constraints.size()); ++c) {
      if (!IsActive(context, c)) continue;
      if (plainPin_[c])
        AddPlainPinRows(c);
      else
        AddGoalRows(context.WithConstraint(c), c);
    }
    rows_.resize(builtRows_);
  }
  if (!colliders_.empty()) BuildContactRows(scope);
  plainRowsBuilt_ = onlyPlainPins_;
  if (!onlyPlainPins_) return;
  // Every pin's rows hold both unit entries of each point on a body, and its arm's entry unless
  // that is exactly zero.
  fullPinEntries_ = 0;
  for (const PinRowPlan& plan : pinPlans_)
    fullPinEntries_ +=
        (pointKin_[plan.point0].dof >= 0 ? 2 : 0) + (pointKin_[plan.point1].dof >= 0 ? 2 : 0);
  pinEntriesFull_ = entries_.size() == fullPinEntries_;
}

// The quantity a goal holds, its Jacobian and velocity-product term, per kind.
void Mechanics::AddGoalRows(const Context& context, int c) {
  const Constraint& record = model_.constraints[c];
  if (record.kind == ConstraintKind::Expression) return AddExpressionRows(context, c);
  // A force goal marked as a limit bounds the drive's multiplier instead of loading the bodies.
  const double forceLimit =
      driveLimit_[c] == kNone
          ? kInfinity
          : std::abs(Checked(record.goals[driveLimit_[c]].value(context), record));

  // The record's frame, once for all its goals.
  bool framed = false;
  double frameAngle = 0;
  Vector2d frameX(1, 0);
  for (int gi = 0; gi < static_cast<int>(record.goals.size()); ++gi) {
    const Goal& goal = record.goals[gi];
    if (!IsKinematic(goal.type)) continue;
    const PointKin& p0 = pointKin_[record.points[0]];
    auto emit = [&](RowBuilder& b, double quantity) {
      Row& row = AddPositionRow(b, context, record, goal, c, gi, quantity);
      if (goal.marking == kEquality && forceLimit < kInfinity) {
        row.lower = -forceLimit;
        row.upper = forceLimit;
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
          if (!framed) {
            frameAngle = FrameAngle(context, record);
            if (frameAngle != 0) frameX = Vector2d(std::cos(frameAngle), std::sin(frameAngle));
            framed = true;
          }
          const Vector2d e = goal.component == Component::Y ? Perp(frameX) : frameX;
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
      case ConstraintKind::Expression:
        break;
    }
  }
}

// A goal that is its own quantity can read anything of the world, so its formula is taken as
// it is: its Jacobian by central differences over every free coordinate, and its velocity term
// by a second difference along the motion (the coordinates moved by their rates as the time
// moves), which gives d2f/dt2 - J a whatever the formula reads of the positions and the time.
void Mechanics::AddExpressionRows(const Context& context, int c) {
  const Constraint& record = model_.constraints[c];
  // Steps that balance truncation against rounding: the cube root of the rounding for the
  // first differences, its fourth root for the second.
  constexpr double kSlopeStep = 6e-6, kCurveStep = 1.2e-4;
  const std::vector<double> from = q_;
  const double time = context.Time();
  for (int gi = 0; gi < static_cast<int>(record.goals.size()); ++gi) {
    const Goal& goal = record.goals[gi];
    const double held = Checked(goal.value(context), record);
    RowBuilder b(entries_);
    for (int i = 0; i < BodyCount(); ++i) {
      const int dof = bodyKin_[i].dof;
      if (dof < 0) continue;
      for (int k = 0; k < 3; ++k) {
        double& q = q_[3 * i + k];
        const double h = kSlopeStep * std::max(1.0, std::abs(from[3 * i + k]));
        q = from[3 * i + k] + h;
        ++moves_;
        UpdateKinematics();
        const double up = Checked(goal.value(context), record);
        q = from[3 * i + k] - h;
        ++moves_;
        UpdateKinematics();
        const double down = Checked(goal.value(context), record);
        q = from[3 * i + k];
        b.AddCoordinate(dof + k, (up - down) / (2 * h));
      }
    }
    const double h = kCurveStep * std::max(1.0, std::abs(time));
    const double ahead = ValueMovedAlong(context, record, goal, from, h, time + h);
    const double behind = ValueMovedAlong(context, record, goal, from, -h, time - h);
    const double rateInTime = (ValueMovedAlong(context, record, goal, from, 0, time + h / 2) -
                               ValueMovedAlong(context, record, goal, from, 0, time - h / 2)) /
                              h;
    q_ = from;
    ++moves_;
    UpdateKinematics();
    Row& row = NewRow(b, c, gi, goal.component);
    row.level = Level::Position;
    row.g = held;
    row.velocityTarget = -rateInTime;
    row.gamma = -(ahead - 2 * held + behind) / (h * h);
  }
}

double Mechanics::ValueMovedAlong(const Context& context, const Constraint& record,
                                  const Goal& goal, const std::vector<double>& from, double scale,
                                  double time) {
  for (int i = 0; i < BodyCount(); ++i)
    if (bodyKin_[i].dof >= 0)
      for (int k = 0; k < 3; ++k)
        q_[3 * i + k] = from[3 * i + k] + scale * v_[3 * i + k];
  ++moves_;
  UpdateKinematics();
  return Checked(goal.value(context.WithTime(time)), record);
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

// A new two-sided row of a record's goal with no velocity or acceleration target yet, with the
// flags its slot kept from the last build. Built in place over the row of the last build, every
// field set: a row is large, and a copy or a clearing per row shows in every evaluation.
Mechanics::Row& Mechanics::NewRow(const RowBuilder& b, int c, int goalIndex, Component component) {
  return NewRow(b.Begin(), b.Count(), c, goalIndex, component);
}

Mechanics::Row& Mechanics::NewRow(int begin, int count, int c, int goalIndex,
                                  Component component) {
  if (builtRows_ == static_cast<int>(rows_.size())) rows_.emplace_back();
  // The rows of one goal follow each other.
  int sub = 0;
  if (builtRows_ > 0) {
    const Row& last = rows_[builtRows_ - 1];
    if (last.constraint == c && last.goal == goalIndex) sub = last.sub + 1;
  }
  Row& row = rows_[builtRows_++];
  row.constraint = c;
  row.goal = goalIndex;
  row.sub = sub;
  row.slot = goalSlot_[goalOffset_[c] + goalIndex] + sub;
  const uint8_t flags = slotFlags_[row.slot];
  row.component = component;
  row.level = Level::Position;
  row.oneSided = false;
  row.candidate = true;
  row.lower = -kInfinity;
  row.upper = kInfinity;
  row.g = 0;
  row.velocityTarget = 0;
  row.gamma = 0;
  row.lambda = 0;
  row.redundant = (flags & kRedundant) != 0;
  row.saturated = (flags & kSaturated) != 0;
  row.contact = -1;
  row.friction = false;
  row.compliance = 0;
  row.begin = begin;
  row.count = count;
  return row;
}

// A pin between two points in the world's frame whose goals hold its x and y at constants: the
// joint of nearly every linkage and chain, built without the frame, formula and drive cases of
// the general path, to the same rows and the same numbers.
bool Mechanics::IsPlainPin(const Constraint& record) {
  if (record.kind != ConstraintKind::Pin || record.points.size() != 2 ||
      record.frameBody != kNone || !record.frameAngle.IsConstant() ||
      record.frameAngle.Constant() != 0)
    return false;
  for (const Goal& goal : record.goals)
    if (goal.type != GoalType::Position || goal.marking != kEquality ||
        goal.component == Component::Rotation || !goal.value.IsConstant())
      return false;
  return true;
}

// The wanted J a of a plain pin's row along an axis: what the turning of the two points takes
// from it (the term AddPoint gathers, in the same order).
double Mechanics::PlainPinTerm(const PointKin& p0, const PointKin& p1, bool alongY) {
  const double c1 = alongY ? p1.quad.y() : p1.quad.x();
  const double c0 = alongY ? p0.quad.y() : p0.quad.x();
  return -(0.0 + c1 - c0) + 0.0;
}

void Mechanics::AddPlainPinRows(int c) {
  const Constraint& record = model_.constraints[c];
  for (int gi = 0; gi < static_cast<int>(record.goals.size()); ++gi) {
    const PinRowPlan plan{record.points[0], record.points[1],
                          Checked(record.goals[gi].value.Constant(), record)};
    const int begin = static_cast<int>(entries_.size());
    entries_.resize(begin + kPlainPinEntries);
    Row& row = NewRow(0, 0, c, gi, record.goals[gi].component);
    entries_.resize(begin + SetPlainPinRow(row, plan, entries_.data(), begin));
    pinPlans_.push_back(plan);
  }
}

// The entries, residual and term of a plain pin's row along its axis: those RowBuilder::AddPoint
// makes for the axis forward at the second point and back at the first, without its products
// by the axis's zero and unit components: the same numbers. Exact zeros are left out as it
// leaves them out. Inline: every build makes each row through it, and a call per row costs a
// fifth of the row.
inline int Mechanics::SetPlainPinRow(Row& row, const PinRowPlan& plan,
                                     std::pair<int, double>* entries, int begin) {
  const PointKin& p0 = pointKin_[plan.point0];
  const PointKin& p1 = pointKin_[plan.point1];
  const bool alongY = row.component == Component::Y;
  int end = begin;
  auto add = [&](int dof, double value) {
    if (value != 0) entries[end++] = {dof, value};
  };
  if (p1.dof >= 0) {
    add(p1.dof + (alongY ? 1 : 0), 1.0);
    add(p1.dof + 2, alongY ? p1.arm.x() : -p1.arm.y());
  }
  if (p0.dof >= 0) {
    add(p0.dof + (alongY ? 1 : 0), -1.0);
    add(p0.dof + 2, alongY ? -p0.arm.x() : p0.arm.y());
  }
  row.begin = begin;
  row.count = end - begin;
  const double apart = alongY ? p1.pos.y() - p0.pos.y() : p1.pos.x() - p0.pos.x();
  row.g = apart - plan.held;
  row.gamma = PlainPinTerm(p0, p1, alongY);
  return row.count;
}

void Mechanics::RefreshPlainPinTerms() {
  for (Row& row : rows_) {
    const Constraint& record = model_.constraints[row.constraint];
    row.gamma = PlainPinTerm(pointKin_[record.points[0]], pointKin_[record.points[1]],
                             row.component == Component::Y);
    row.lambda = 0;
  }
}

Mechanics::Row& Mechanics::AddPositionRow(RowBuilder& b, const Context& context,
                                          const Constraint& record, const Goal& goal, int c,
                                          int goalIndex, double quantity) {
  Row& row = NewRow(b, c, goalIndex, goal.component);
  const bool noSlip = record.kind == ConstraintKind::Gear || record.kind == ConstraintKind::Rack;
  const double value = noSlip ? gearReference_[c] : Checked(goal.value(context), record);
  row.oneSided = goal.marking != kEquality && !noSlip;
  row.candidate = !row.oneSided || (slotFlags_[row.slot] & kContact) != 0;
  switch (goal.type) {
    case GoalType::Position:
      row.level = Level::Position;
      row.g = quantity - value;
      row.velocityTarget = noSlip ? 0 : FirstDerivative(goal.value, context);
      row.gamma = -b.c + (noSlip ? 0 : SecondDerivative(goal.value, context));
      break;
    case GoalType::Velocity: {
      double rate = 0;
      for (int i = b.Begin(); i < b.Begin() + b.Count(); ++i)
        rate += entries_[i].second * velocity_[entries_[i].first];
      row.level = Level::Velocity;
      row.g = rate - value;
      row.velocityTarget = value;
      row.gamma = -b.c + FirstDerivative(goal.value, context);
      break;
    }
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
  return row;
}

}  // namespace yb::dynamics
