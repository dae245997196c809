#include "solver/dynamics/FormulaValues.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "solver/dynamics/Mechanics.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaProgram.h"

namespace yb::dynamics {

namespace {

// The first body whose state is not a finite number, or kNone.
int FirstOverflowedBody(const Context& context) {
  for (int i = 1; i < context.BodyCount(); ++i) {
    const BodyState b = context.Body(i);
    for (const double v : {b.x, b.y, b.r, b.vx, b.vy, b.vr})
      if (!std::isfinite(v)) return i;
  }
  return kNone;
}

bool CoordinateFinite(const Context& context, int constraint) {
  return std::isfinite(context.ConstraintCoordinate(constraint)) &&
         std::isfinite(context.ConstraintRate(constraint));
}

// The first constraint whose coordinate or its rate is not a finite number, or kNone.
int FirstOverflowedConstraint(const Context& context) {
  const int count = static_cast<int>(context.GetModel().constraints.size());
  for (int c = 0; c < count; ++c)
    if (!CoordinateFinite(context, c)) return c;
  return kNone;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

[[noreturn]] void ThrowFormulaFailure(const Context& context, int32_t result) {
  if (result == kFormulaNoValue || result == kFormulaOverflow) {
    // The constraint whose law is evaluated is named when its own coordinate overflowed or its
    // law's result did; else the body or constraint whose state overflowed first.
    const int current = context.CurrentConstraint();
    if (current != kNone && (result == kFormulaOverflow || !CoordinateFinite(context, current)))
      throw OverflowError{{result == kFormulaOverflow ? FormulaErrorNumber(result) : kErrNotANumber,
                           "a value of a constraint overflowed"},
                          current};
    const int body = FirstOverflowedBody(context);
    if (body != kNone)
      throw OverflowError{{kErrNotANumber, "the state of a body overflowed", body}, kNone};
    const int constraint = FirstOverflowedConstraint(context);
    if (constraint != kNone)
      throw OverflowError{{kErrNotANumber, "the coordinate of a constraint overflowed"}, constraint};
  }
  DynamicsError error{FormulaErrorNumber(result), FormulaErrorText(result)};
  if (result == kFormulaOverflow && context.Self() > 0) error.body = context.Self();
  throw error;
}

Value CompileFormula(std::string_view text) {
  auto program = std::make_shared<FormulaProgram>();
  int32_t position = 0;
  const int32_t code = parse_equation(text, *program, &position);
  if (code != kFormulaOk)
    throw DynamicsError{FormulaErrorNumber(code), std::string(FormulaErrorText(code)) + " at " +
                                                      std::to_string(position) + " in \"" +
                                                      std::string(text) + "\""};
  if (program->IsConstant()) {
    double value = 0;
    if (execute_program(*program, nullptr, value) == kFormulaOk) return Value(value);
  }
  return Value::Formula([program](const Context& context) {
    const WorldEnvironment environment(context);
    double value = 0;
    const int32_t result = execute_program(*program, &environment, value);
    if (result != kFormulaOk) ThrowFormulaFailure(context, result);
    return value;
  });
}

int32_t WorldEnvironment::Time(double& out) const {
  out = context_.Time();
  return kFormulaOk;
}

int32_t WorldEnvironment::ExternalStep(double& out) const {
  out = context_.FrameStep();
  return kFormulaOk;
}

int32_t WorldEnvironment::Participant(int32_t which, FormulaObject& out) const {
  const int body = which == 0 ? context_.Self() : context_.Other();
  if (body == kNone) return kFormulaNoValue;
  out = FormulaObject{FormulaObjectKind::kBody, body};
  return kFormulaOk;
}

int32_t WorldEnvironment::FindObject(std::string_view name, int32_t number,
                                     FormulaObject& out) const {
  if (number >= 0) {
    if (SameName(name, "body")) {
      out = FormulaObject{FormulaObjectKind::kBody, number};
      return number < context_.BodyCount() ? kFormulaOk : kFormulaUnknownObject;
    }
    if (SameName(name, "point")) {
      out = FormulaObject{FormulaObjectKind::kPoint, number};
      return number < context_.PointCount() ? kFormulaOk : kFormulaUnknownObject;
    }
    if (SameName(name, "constraint")) {
      out = FormulaObject{FormulaObjectKind::kConstraint, number};
      return context_.FindConstraint(number) != kNone ? kFormulaOk : kFormulaUnknownObject;
    }
    return kFormulaUnknownObject;
  }
  const auto& constraints = context_.GetModel().constraints;
  for (const Constraint& c : constraints) {
    if (!c.name.empty() && SameName(name, c.name)) {
      out = FormulaObject{FormulaObjectKind::kConstraint, c.id};
      return kFormulaOk;
    }
  }
  return kFormulaUnknownObject;
}

int32_t WorldEnvironment::Member(const FormulaObject& object, FormulaMember member,
                                 FormulaVector& out) const {
  out = FormulaVector{};
  switch (object.kind) {
    case FormulaObjectKind::kBody: {
      if (object.number < 0 || object.number >= context_.BodyCount()) return kFormulaUnknownObject;
      const BodyState b = context_.Body(object.number);
      switch (member) {
        case FormulaMember::kPosition:
          out = {b.x, b.y, b.r};
          return kFormulaOk;
        case FormulaMember::kVelocity:
          out = {b.vx, b.vy, b.vr};
          return kFormulaOk;
        case FormulaMember::kAcceleration:
          context_.BodyAcceleration(object.number, out.x, out.y, out.r);
          return kFormulaOk;
        case FormulaMember::kMass:
          out.x = b.mass;
          return kFormulaOk;
        case FormulaMember::kCharge:
          out.x = b.charge;
          return kFormulaOk;
        default:
          return kFormulaNoValue;
      }
    }
    case FormulaObjectKind::kPoint: {
      if (object.number < 0 || object.number >= context_.PointCount()) return kFormulaUnknownObject;
      double p[3], v[3];
      context_.PointState(object.number, p, v);
      if (member == FormulaMember::kPosition) {
        out = {p[0], p[1], p[2]};
        return kFormulaOk;
      }
      if (member == FormulaMember::kVelocity) {
        out = {v[0], v[1], v[2]};
        return kFormulaOk;
      }
      if (member == FormulaMember::kAcceleration) {
        // The body's acceleration carried to the point: its own angular acceleration turns the
        // arm from the body's place to the point, and its spin pulls the point inwards.
        const int body = context_.GetModel().points[object.number].body;
        const BodyState b = context_.Body(body);
        double ax = 0, ay = 0, ar = 0;
        context_.BodyAcceleration(body, ax, ay, ar);
        const double rx = p[0] - b.x, ry = p[1] - b.y, spin = b.vr * b.vr;
        out = {ax - ar * ry - spin * rx, ay + ar * rx - spin * ry, ar};
        return kFormulaOk;
      }
      return kFormulaNoValue;
    }
    case FormulaObjectKind::kConstraint: {
      const int c = context_.FindConstraint(object.number);
      if (c == kNone) return kFormulaUnknownObject;
      // x: the length a linear record acts on; r: how far its other end has turned against its
      // primary point, which for a rotational record is the coordinate it acts on.
      const bool rotational = context_.IsRotational(c);
      if (member == FormulaMember::kDisplacement) {
        out.x = rotational ? 0.0 : context_.ConstraintCoordinate(c);
        out.r = context_.ConstraintTurn(c);
      } else if (member == FormulaMember::kDisplacementRate) {
        out.x = rotational ? 0.0 : context_.ConstraintRate(c);
        out.r = context_.ConstraintTurnRate(c);
      } else {
        return kFormulaNoValue;
      }
      return kFormulaOk;
    }
    default:
      return kFormulaUnknownObject;
  }
}

int32_t WorldEnvironment::InputValue(int32_t number, double& out) const {
  if (number < 1 || number > context_.InputCount()) return kFormulaUnknownObject;
  out = context_.Input(number);
  return kFormulaOk;
}

// Group 0 is the whole world: every body but the background.
int32_t WorldEnvironment::GroupCentreOfMass(int32_t group, FormulaVector& out) const {
  if (group != 0) return kFormulaUnknownObject;
  const Model& model = context_.GetModel();
  double mass = 0, x = 0, y = 0;
  for (int i = 1; i < context_.BodyCount(); ++i) {
    const BodyState b = context_.Body(i);
    const Body& record = model.bodies[i];
    const double c = std::cos(b.r), s = std::sin(b.r);
    x += b.mass * (b.x + c * record.comX - s * record.comY);
    y += b.mass * (b.y + s * record.comX + c * record.comY);
    mass += b.mass;
  }
  if (mass <= 0) return kFormulaNoValue;
  out = {x / mass, y / mass, 0};
  return kFormulaOk;
}

// The width of the body's outline across the direction.
int32_t WorldEnvironment::Section(const FormulaObject& body, const FormulaVector& direction,
                                  double& out) const {
  if (body.kind != FormulaObjectKind::kBody || body.number < 0 ||
      body.number >= context_.BodyCount())
    return kFormulaUnknownObject;
  const Shape& shape = context_.GetModel().bodies[body.number].shape;
  const double length = std::hypot(direction.x, direction.y);
  if (length == 0) {
    out = 0;
    return kFormulaOk;
  }
  // The normal to the direction, in the body frame.
  const double angle = context_.Body(body.number).r;
  const double wx = direction.x / length, wy = direction.y / length;
  const double c = std::cos(angle), s = std::sin(angle);
  const double nx = -(c * wy - s * wx), ny = c * wx + s * wy;
  switch (shape.kind) {
    case Shape::Kind::Circle:
      out = shape.w;
      return kFormulaOk;
    case Shape::Kind::Rectangle:
      out = std::abs(nx) * shape.w + std::abs(ny) * shape.h;
      return kFormulaOk;
    case Shape::Kind::Polygon: {
      if (shape.xs.empty() || shape.xs.size() != shape.ys.size()) return kFormulaNoValue;
      double lo = HUGE_VAL, hi = -HUGE_VAL;
      for (size_t i = 0; i < shape.xs.size(); ++i) {
        const double t = shape.xs[i] * nx + shape.ys[i] * ny;
        lo = std::min(lo, t);
        hi = std::max(hi, t);
      }
      out = hi - lo;
      return kFormulaOk;
    }
    case Shape::Kind::None:
      break;
  }
  return kFormulaNoValue;
}

int32_t WorldEnvironment::Interaction(FormulaInteraction query, const FormulaObject& field,
                                      const FormulaObject& object, int32_t pair,
                                      FormulaVector& out) const {
  out = FormulaVector{};
  if (query == FormulaInteraction::kConstraintForce &&
      object.kind == FormulaObjectKind::kConstraint) {
    const int c = context_.FindConstraint(object.number);
    if (c == kNone) return kFormulaUnknownObject;
    out = {context_.ConstraintForce(c, Component::X), context_.ConstraintForce(c, Component::Y),
           context_.ConstraintForce(c, Component::Rotation)};
    return kFormulaOk;
  }
  if (query == FormulaInteraction::kConstraintForce ||
      query == FormulaInteraction::kConstraintPairs ||
      query == FormulaInteraction::kConstraintForcePair)
    return FieldInteraction(query, field, object, pair, out);
  return Contact(query, object, pair, out);
}

// The field queries of a body (by its number): the field's whole force on it (with the torque
// about its centre of mass), how many partners it has in a field between bodies, and per pair
// (from 1, in the field's order of its members) the force of that partner on it. A pair beyond
// the count answers zero, as the contact pairs do.
int32_t WorldEnvironment::FieldInteraction(FormulaInteraction query, const FormulaObject& field,
                                           const FormulaObject& object, int32_t pair,
                                           FormulaVector& out) const {
  if (object.kind != FormulaObjectKind::kBody && object.kind != FormulaObjectKind::kNumber)
    return kFormulaNoValue;
  if (object.number < 0 || object.number >= context_.BodyCount()) return kFormulaUnknownObject;
  const Mechanics& mechanics = context_.GetMechanics();
  const int f =
      field.kind == FormulaObjectKind::kNumber ? mechanics.FindField(field.number) : kNone;
  if (f == kNone) return kFormulaUnknownObject;
  const int body = object.number;
  // A field formula that fails here failed already where the field moved the bodies.
  try {
    Eigen::Vector2d force(0, 0);
    switch (query) {
      case FormulaInteraction::kConstraintPairs:
        out.x = mechanics.FieldPairCount(f, body);
        return kFormulaOk;
      case FormulaInteraction::kConstraintForcePair:
        mechanics.FieldPairForce(context_, f, body, pair, force);
        out = {force.x(), force.y(), 0};
        return kFormulaOk;
      default: {
        double torque = 0;
        mechanics.FieldForce(context_, f, body, force, torque);
        out = {force.x(), force.y(), torque};
        return kFormulaOk;
      }
    }
  } catch (const DynamicsError&) {
    return kFormulaNoValue;
  }
}

// The contact queries of a body: how many pairs touch it or struck it, and per pair (from 1) the
// force, friction or impulse on it and where it acts. A pair beyond the count answers zero, so a
// display formula may add a body's contact force to its collision impulse, or take a collision's
// place where no contact has one.
int32_t WorldEnvironment::Contact(FormulaInteraction query, const FormulaObject& object,
                                  int32_t pair, FormulaVector& out) const {
  if (object.kind != FormulaObjectKind::kBody) return kFormulaNoValue;
  if (object.number < 0 || object.number >= context_.BodyCount()) return kFormulaUnknownObject;
  const Mechanics& mechanics = context_.GetMechanics();
  const int body = object.number;
  Mechanics::ContactReport report;
  out = FormulaVector{};
  auto vector = [&](const Eigen::Vector2d& v) {
    out = {v.x(), v.y(), 0};
    return kFormulaOk;
  };
  switch (query) {
    case FormulaInteraction::kContactPairs:
      out.x = mechanics.ContactPairCount(body);
      return kFormulaOk;
    case FormulaInteraction::kCollisionPairs:
      out.x = mechanics.CollisionPairCount(body);
      return kFormulaOk;
    case FormulaInteraction::kContactForcePair:
      return mechanics.ContactPair(body, pair, report) ? vector(report.force) : kFormulaOk;
    case FormulaInteraction::kFrictionForcePair:
      return mechanics.ContactPair(body, pair, report) ? vector(report.friction) : kFormulaOk;
    case FormulaInteraction::kContactPair:
      return mechanics.ContactPair(body, pair, report) ? vector(report.location) : kFormulaOk;
    case FormulaInteraction::kCollisionImpulsePair:
      return mechanics.CollisionPair(body, pair, report) ? vector(report.impulse)
                                                         : kFormulaOk;
    case FormulaInteraction::kCollisionPair:
      return mechanics.CollisionPair(body, pair, report) ? vector(report.location)
                                                         : kFormulaOk;
    default:
      return kFormulaNoValue;
  }
}

}  // namespace yb::dynamics
