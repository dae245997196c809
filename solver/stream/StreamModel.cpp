#include "solver/stream/StreamModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>
#include <utility>

#include "solver/dynamics/FormulaValues.h"
#include "solver/dynamics/Mechanics.h"
#include "solver/engine/EngineEntry.h"
#include "solver/formula/FormulaErrors.h"

namespace yb::stream {

using dynamics::Component;
using dynamics::ConstraintKind;
using dynamics::GoalType;

namespace {

constexpr double kNoValue = std::numeric_limits<double>::max();

[[noreturn]] void Refuse(int32_t code, const std::string& message) {
  throw StreamError{code, message};
}

std::string Where(const char* kind, int16_t id) {
  return std::string(kind) + " " + std::to_string(id);
}

// A goal's type as the user chooses it.
const char* GoalKindName(GoalType type) {
  switch (type) {
    case GoalType::Force:
      return "force or torque";
    case GoalType::Position:
      return "position";
    case GoalType::Velocity:
      return "velocity";
    case GoalType::Acceleration:
      return "acceleration";
    case GoalType::Power:
      return "power";
  }
  return "unknown";
}

// The points of the stream and their compiled places, for the starting values that name them.
// While one starting value is evaluated, each point's place on its body is worked out once; a
// point whose place needs itself (points that place each other in a circle) has no value.
struct StartPoints {
  StartPoints(const std::vector<PointRecord>& pointRecords,
              const std::vector<std::array<CompiledItem, 3>>& pointItems)
      : records(pointRecords), items(pointItems), state(pointRecords.size(), kUnknown),
        result(pointRecords.size(), kFormulaOk), local(pointRecords.size()) {}

  enum State : uint8_t { kUnknown, kWorking, kDone };
  const std::vector<PointRecord>& records;
  const std::vector<std::array<CompiledItem, 3>>& items;
  std::vector<State> state;
  // Once done: kFormulaOk with the place in local, or why there is none.
  std::vector<int32_t> result;
  std::vector<std::array<double, 3>> local;
};

// A formula environment of the world before it runs: no group has a centre of mass, no body a
// section, and no pair an interaction yet.
class BeforeRunEnvironment : public FormulaEnvironment {
 public:
  int32_t GroupCentreOfMass(int32_t, FormulaVector&) const override { return kFormulaNoValue; }
  int32_t Section(const FormulaObject&, const FormulaVector&, double&) const override {
    return kFormulaNoValue;
  }
  int32_t Interaction(FormulaInteraction, const FormulaObject&, const FormulaObject&, int32_t,
                      FormulaVector&) const override {
    return kFormulaNoValue;
  }
};

// What a formula sees while the world is set up: the time 0, the inputs, the bodies set up
// before it (a gear's contact point is placed from both gears' centres), and the points on those
// bodies.
class StartEnvironment : public BeforeRunEnvironment {
 public:
  StartEnvironment(const InputTable& inputs, double step, const Binding& binding,
                   const std::vector<dynamics::Body>& bodies, StartPoints& points)
      : inputs_(inputs), step_(step), binding_(binding), bodies_(bodies), points_(points) {}
  int32_t Time(double& out) const override {
    out = 0;
    return kFormulaOk;
  }
  int32_t ExternalStep(double& out) const override {
    out = step_;
    return kFormulaOk;
  }
  int32_t Participant(int32_t, FormulaObject&) const override { return kFormulaNoValue; }
  int32_t FindObject(std::string_view, int32_t, FormulaObject&) const override {
    return kFormulaNoValue;
  }
  // Group 0 is every body but the background: its centre is known once every body is set up,
  // so a point placed at it (the world's centre-of-mass point) starts there.
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override {
    if (group != 0) return kFormulaUnknownObject;
    if (bodies_.size() < binding_.bodyIds.size()) return kFormulaNoValue;
    double mass = 0, x = 0, y = 0;
    for (size_t i = 1; i < bodies_.size(); ++i) {
      const dynamics::Body& b = bodies_[i];
      const double c = std::cos(b.r), s = std::sin(b.r);
      x += b.mass * (b.x + c * b.comX - s * b.comY);
      y += b.mass * (b.y + s * b.comX + c * b.comY);
      mass += b.mass;
    }
    if (mass <= 0) return kFormulaNoValue;
    out = {x / mass, y / mass, 0};
    return kFormulaOk;
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    if (object.kind == FormulaObjectKind::kPoint) return PointMember(object.number, member, out);
    if (object.kind != FormulaObjectKind::kBody) return kFormulaNoValue;
    const int index = binding_.Body(object.number);
    if (index < 0 || index >= static_cast<int>(bodies_.size())) return kFormulaNoValue;
    const dynamics::Body& b = bodies_[static_cast<size_t>(index)];
    switch (member) {
      case FormulaMember::kPosition:
        out = {b.x, b.y, b.r};
        return kFormulaOk;
      case FormulaMember::kVelocity:
        out = {b.vx, b.vy, b.vr};
        return kFormulaOk;
      case FormulaMember::kMass:
        out = {b.mass, 0, 0};
        return kFormulaOk;
      case FormulaMember::kCharge:
        out = {b.charge, 0, 0};
        return kFormulaOk;
      default:
        return kFormulaNoValue;
    }
  }
  int32_t InputValue(int32_t number, double& out) const override {
    return inputs_.Get(number, out) ? kFormulaOk : kFormulaUnknownObject;
  }

 private:
  // A point whose body is set up already: its place on the body turned into the world, and the
  // velocity the body gives it there.
  int32_t PointMember(int32_t id, FormulaMember member, FormulaVector& out) const {
    const int index = binding_.Point(id);
    if (index < 0 || static_cast<size_t>(index) >= points_.records.size()) return kFormulaNoValue;
    const auto p = static_cast<size_t>(index);
    const PointRecord& record = points_.records[p];
    const int body = record.body == kNoObject ? dynamics::kBackground : binding_.Body(record.body);
    if (body < 0 || static_cast<size_t>(body) >= bodies_.size()) return kFormulaNoValue;
    if (const int32_t result = PlacePoint(p); result != kFormulaOk) return result;
    const std::array<double, 3>& local = points_.local[p];
    const dynamics::Body& b = bodies_[static_cast<size_t>(body)];
    const double ax = std::cos(b.r) * local[0] - std::sin(b.r) * local[1];
    const double ay = std::sin(b.r) * local[0] + std::cos(b.r) * local[1];
    switch (member) {
      case FormulaMember::kPosition:
        out = {b.x + ax, b.y + ay, b.r + local[2]};
        return kFormulaOk;
      case FormulaMember::kVelocity:
        out = {b.vx - b.vr * ay, b.vy + b.vr * ax, b.vr};
        return kFormulaOk;
      default:
        return kFormulaNoValue;
    }
  }

  // Works out the point's place on its body from its formulas, once.
  int32_t PlacePoint(size_t p) const {
    if (points_.state[p] == StartPoints::kDone) return points_.result[p];
    if (points_.state[p] == StartPoints::kWorking) return kFormulaNoValue;
    points_.state[p] = StartPoints::kWorking;
    int32_t result = kFormulaOk;
    for (size_t i = 0; i < 3 && result == kFormulaOk; ++i) {
      const CompiledItem& item = points_.items[p][i];
      points_.local[p][i] = item.constant;
      if (item.program) result = execute_program(*item.program, this, points_.local[p][i]);
    }
    points_.result[p] = result;
    points_.state[p] = StartPoints::kDone;
    return result;
  }

  const InputTable& inputs_;
  double step_;
  const Binding& binding_;
  const std::vector<dynamics::Body>& bodies_;
  StartPoints& points_;
};

// What a field goal sees when it is worked out ahead for one body: self, and the masses and
// charges of the bodies, which stay as the world started for the whole run. Everything else
// (time, places, inputs) has no value here, so a goal that reads it is left to run.
class BodyConstantsEnvironment : public BeforeRunEnvironment {
 public:
  BodyConstantsEnvironment(const Binding& binding, const std::vector<dynamics::Body>& bodies,
                           int self)
      : binding_(binding), bodies_(bodies), self_(self) {}
  int32_t Time(double&) const override { return kFormulaNoValue; }
  int32_t ExternalStep(double&) const override { return kFormulaNoValue; }
  int32_t Participant(int32_t which, FormulaObject& out) const override {
    if (which != 0) return kFormulaNoValue;
    out = FormulaObject{FormulaObjectKind::kBody, binding_.bodyIds[static_cast<size_t>(self_)]};
    return kFormulaOk;
  }
  int32_t FindObject(std::string_view, int32_t, FormulaObject&) const override {
    return kFormulaNoValue;
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    if (object.kind != FormulaObjectKind::kBody) return kFormulaNoValue;
    const int index = binding_.Body(object.number);
    if (index < 0 || index >= static_cast<int>(bodies_.size())) return kFormulaNoValue;
    const dynamics::Body& b = bodies_[static_cast<size_t>(index)];
    if (member == FormulaMember::kMass) {
      out = {b.mass, 0, 0};
      return kFormulaOk;
    }
    if (member == FormulaMember::kCharge) {
      out = {b.charge, 0, 0};
      return kFormulaOk;
    }
    return kFormulaNoValue;
  }
  int32_t InputValue(int32_t, double&) const override { return kFormulaNoValue; }

 private:
  const Binding& binding_;
  const std::vector<dynamics::Body>& bodies_;
  int self_;
};

bool IsZero(const CompiledItem& item) {
  return !item.program && item.constant == 0.0;
}

std::vector<std::pair<double, double>> TablePoints(const TableRecord& table) {
  std::vector<std::pair<double, double>> points;
  for (size_t i = 0; i + 1 < table.values.size(); i += 2)
    points.emplace_back(table.values[i], table.values[i + 1]);
  return points;
}

// Two gears in mesh arrive as the pair of contact points, one on each gear, placed from the
// centres and the ratio of the radii. The gear constraint needs the centres (the bodies'
// reference points), the ratio of the radii and whether the second gear is a ring around the
// contact: both are read off the contact points where the world starts.
//
// A circle meshed with a rectangle or a polygon is a rack and pinion: the circle is the pinion,
// of the radius its contact point gives, and the other body is the rack, which moves along the
// tangent of the pinion at the contact.
void MakeGear(dynamics::Model& model, std::vector<int>& bodyPoints, dynamics::Constraint& gear,
              const std::function<BodyRecord::Shape(int body)>& shapeOf) {
  const dynamics::Point contactA = model.points[static_cast<size_t>(gear.points[0])];
  const dynamics::Point contactB = model.points[static_cast<size_t>(gear.points[1])];
  const double radiusA = std::hypot(contactA.x, contactA.y);
  const double radiusB = std::hypot(contactB.x, contactB.y);
  if (contactA.body == contactB.body || radiusA == 0 || radiusB == 0)
    throw dynamics::DynamicsError{dynamics::kErrBadModel,
                                  gear.name + ": the gears' contact points do not make a mesh"};
  const dynamics::Body& a = model.bodies[static_cast<size_t>(contactA.body)];
  const dynamics::Body& b = model.bodies[static_cast<size_t>(contactB.body)];
  const double ax = std::cos(a.r) * contactA.x - std::sin(a.r) * contactA.y;
  const double ay = std::sin(a.r) * contactA.x + std::cos(a.r) * contactA.y;
  const double contactX = a.x + ax, contactY = a.y + ay;
  auto centreOf = [&](int body) {
    int& centre = bodyPoints[static_cast<size_t>(body)];
    if (centre < 0) centre = model.AddPoint(body, 0, 0, 0);
    return centre;
  };
  using Shape = BodyRecord::Shape;
  const Shape shapeA = shapeOf(contactA.body), shapeB = shapeOf(contactB.body);
  const bool circleA = shapeA == Shape::Circle, circleB = shapeB == Shape::Circle;
  const auto isRack = [](Shape shape) {
    return shape == Shape::Rectangle || shape == Shape::Polygon;
  };
  if ((circleA && isRack(shapeB)) || (circleB && isRack(shapeA))) {
    const dynamics::Point& pinionContact = circleA ? contactA : contactB;
    const dynamics::Body& pinion = circleA ? a : b;
    const dynamics::Body& rack = circleA ? b : a;
    const double radius = circleA ? radiusA : radiusB;
    // The rim's direction of motion at the contact for a positive turn of the pinion.
    const double cx = std::cos(pinion.r) * pinionContact.x - std::sin(pinion.r) * pinionContact.y;
    const double cy = std::sin(pinion.r) * pinionContact.x + std::cos(pinion.r) * pinionContact.y;
    const double direction = std::atan2(cx, -cy);
    const int rackPoint = model.AddPoint(circleA ? contactB.body : contactA.body,
                                         std::cos(rack.r) * (pinion.x + cx - rack.x) +
                                             std::sin(rack.r) * (pinion.y + cy - rack.y),
                                         -std::sin(rack.r) * (pinion.x + cx - rack.x) +
                                             std::cos(rack.r) * (pinion.y + cy - rack.y),
                                         direction - rack.r);
    const dynamics::Constraint made =
        dynamics::MakeRack(centreOf(circleA ? contactA.body : contactB.body), rackPoint, radius);
    gear.kind = made.kind;
    gear.points = made.points;
    gear.ratio = made.ratio;
    gear.goals = made.goals;
    return;
  }
  const double toB = (contactX - b.x) * ax + (contactY - b.y) * ay;
  for (int& point : gear.points)
    point = centreOf(model.points[static_cast<size_t>(point)].body);
  gear.kind = ConstraintKind::Gear;
  gear.ratio = radiusA / radiusB;
  gear.internal = toB > 0;
  gear.goals.assign(1, dynamics::Goal{GoalType::Position, dynamics::kEquality, Component::X,
                                      dynamics::Value(gear.ratio)});
}

}  // namespace

StreamModel::StreamModel(StreamWorld world) : world_(std::move(world)) {
  settings_ = world_.settings.value_or(dynamics::RunSettings{});
  binding_ = std::make_shared<Binding>();
  binding_->bodyIds.push_back(kBackgroundId);
  binding_->bodyIndex[kBackgroundId] = 0;
  for (const BodyRecord& body : world_.bodies) {
    binding_->bodyIndex[body.id] = static_cast<int>(binding_->bodyIds.size());
    binding_->bodyIds.push_back(body.id);
  }
  for (const PointRecord& point : world_.points) {
    binding_->pointIndex[point.id] = static_cast<int>(binding_->pointIds.size());
    binding_->pointIds.push_back(point.id);
  }
  for (const BodyRecord& body : world_.bodies) {
    auto& items = bodyItems_.emplace_back();
    for (int i = 0; i < kBodyItemCount; ++i)
      items[static_cast<size_t>(i)] = Compile(body.items[static_cast<size_t>(i)], Where("body", body.id));
  }
  for (const PointRecord& point : world_.points) {
    const std::string where = Where("point", point.id);
    pointItems_.push_back({Compile(point.x, where), Compile(point.y, where), Compile(point.r, where)});
  }
  for (const ConstraintRecord& record : world_.constraints)
    PlanConstraint(record);
  for (const ElementList& list : world_.elements)
    for (const FormulaItem& item : list.items)
      recorded_.push_back(RecordedValue{list.id, Compile(item, Where("object", list.id))});
}

CompiledItem StreamModel::Compile(const FormulaItem& item, const std::string& where) const {
  CompiledItem compiled;
  if (item.isConstant) {
    compiled.constant = item.value;
    return compiled;
  }
  auto program = std::make_shared<FormulaProgram>();
  int32_t position = 0;
  const int32_t code = parse_equation(item.text, *program, &position);
  if (code != kFormulaOk)
    Refuse(code, where + ": " + FormulaErrorText(code) + " at " + std::to_string(position) +
                     " in \"" + item.text + "\"");
  CheckReferences(*program, where);
  double value = 0;
  if (program->IsConstant() && execute_program(*program, nullptr, value) == kFormulaOk) {
    compiled.constant = value;
    return compiled;
  }
  compiled.program = std::move(program);
  return compiled;
}

// Every object a formula names by kind and identifier must be in the stream; constraints are
// checked against the records read.
void StreamModel::CheckReferences(const FormulaProgram& program, const std::string& where) const {
  for (const FormulaObjectRef& ref : program.Objects()) {
    if (ref.source != FormulaObjectRef::Source::kFixed) continue;
    const int32_t id = ref.object.number;
    bool found = true;
    switch (ref.object.kind) {
      case FormulaObjectKind::kBody:
        found = binding_->Body(id) >= 0;
        break;
      case FormulaObjectKind::kPoint:
        found = binding_->Point(id) >= 0;
        break;
      case FormulaObjectKind::kConstraint:
        found = std::any_of(world_.constraints.begin(), world_.constraints.end(),
                            [id](const ConstraintRecord& c) { return c.id == id; });
        break;
      default:
        break;
    }
    if (!found)
      Refuse(kFormulaUnknownObject, where + ": a formula names object " + std::to_string(id) +
                                        ", which is not in the world");
  }
}

void StreamModel::PlanConstraint(const ConstraintRecord& record) {
  const std::string where = Where("constraint", record.id);
  ConstraintPlan plan;
  plan.id = record.id;
  plan.attached = record.attached;
  plan.frameObject = record.frameObject;
  plan.frameAngle = Compile(record.primaryQuantity, where);
  plan.activation = Compile(record.activation, where);
  bool kinematic = false, posX = false, posY = false, rotationOnly = true, positionOnly = true;
  for (const GoalRecord& g : record.goals) {
    const auto type = static_cast<GoalType>(g.type);
    const auto component = static_cast<Component>(g.component);
    plan.goals.push_back({type, g.marking, component, Compile(g.value, where)});
    kinematic = kinematic || type != GoalType::Force;
    posX = posX || (type == GoalType::Position && component == Component::X);
    posY = posY || (type == GoalType::Position && component == Component::Y);
    rotationOnly = rotationOnly && component == Component::Rotation;
    positionOnly = positionOnly && (type == GoalType::Position || component != Component::X);
  }
  // A record without goals holds nothing (a constraint absorbed into a joined body), nor does one
  // that lost an attached object.
  if (plan.goals.empty()) return;
  if (std::find(record.attached.begin(), record.attached.end(), kNoObject) !=
      record.attached.end())
    return;

  auto isGroup = [&](int16_t id) {
    return std::any_of(world_.groups.begin(), world_.groups.end(),
                       [id](const GroupRecord& g) { return g.id == id && !g.collision; });
  };
  if (record.attached.empty()) {
    if (!isGroup(record.related)) return PlanFormulaConstraint(record, std::move(plan));
    if (kinematic) Refuse(kEngineBadModel, where + " has goals but nothing they act on");
    plan.role = ConstraintPlan::Role::Field;
    plan.group = record.related;
    plan.pairwise = record.frameObject == kNoObject;
    plans_.push_back(std::move(plan));
    return;
  }

  auto pointRecord = [&](int16_t id) -> const PointRecord* {
    for (const PointRecord& p : world_.points)
      if (p.id == id) return &p;
    return nullptr;
  };
  const PointRecord* primary = pointRecord(record.attached[0]);
  const size_t n = record.attached.size();
  if (n == 1) {
    if (kinematic) Refuse(kEngineBadModel, where + " holds one object against nothing");
    plan.kind = ConstraintKind::Force;
    plan.useFrame = true;
  } else if (primary != nullptr && primary->spline) {
    plan.kind = ConstraintKind::CurvedSlot;
    plan.curveTable = primary->table;
    plan.closedCurve = primary->splineType == 1;
  } else if (n == 2 && primary != nullptr && primary->gearContact && posY && !posX) {
    plan.kind = ConstraintKind::Gear;
    plan.gear = true;
  } else if (rotationOnly) {
    plan.kind = ConstraintKind::Rotational;
  } else if (posX && posY) {
    bool zero = true;
    for (const auto& g : plan.goals)
      if (g.component != Component::Rotation) zero = zero && IsZero(g.value);
    plan.kind = zero ? ConstraintKind::Pin : ConstraintKind::Custom;
    plan.useFrame = !zero;
  } else if (posY) {
    plan.kind = ConstraintKind::Slot;
  } else if (positionOnly && posX) {
    plan.kind = ConstraintKind::Rod;
  } else {
    plan.kind = ConstraintKind::Linear;
  }
  if (plan.kind == ConstraintKind::CurvedSlot && plan.curveTable == kNoObject)
    Refuse(kEngineBadModel, where + " is a curved slot without its curve");
  constraintIds_.push_back(record.id);
  plans_.push_back(std::move(plan));
}

// A constraint with nothing attached and no group holds what its goals' formulas say: each
// position goal keeps its formula at 0. Other goals have nothing to act on and are refused; a
// goal whose formula is the constant 0 holds always and is left out, and any other constant can
// never be met.
void StreamModel::PlanFormulaConstraint(const ConstraintRecord& record, ConstraintPlan plan) {
  const std::string where = "Custom constraint " + std::to_string(record.id);
  std::vector<ConstraintPlan::Goal> held;
  for (size_t g = 0; g < plan.goals.size(); ++g) {
    const ConstraintPlan::Goal& goal = plan.goals[g];
    const std::string which = where + ", goal " + std::to_string(g + 1);
    if (goal.type != GoalType::Position)
      Refuse(kEngineBadModel, which + " is a " + GoalKindName(goal.type) +
                                  " goal; a custom constraint holds position goals only.");
    if (goal.marking != dynamics::kEquality)
      Refuse(kEngineBadModel, which + " is a limit; a custom constraint holds equalities only.");
    if (IsZero(goal.value)) continue;
    if (!goal.value.program)
      Refuse(kEngineBadModel, which + " is a constant other than 0, which nothing can hold at 0.");
    held.push_back(goal);
  }
  if (held.empty()) return;
  plan.goals = std::move(held);
  plan.kind = ConstraintKind::Expression;
  constraintIds_.push_back(record.id);
  plans_.push_back(std::move(plan));
}

dynamics::Value StreamModel::MakeValue(const CompiledItem& item,
                                       const std::shared_ptr<const InputTable>& inputs) const {
  if (!item.program) return dynamics::Value(item.constant);
  return dynamics::Value::Formula(
      [program = item.program, binding = binding_, inputs](const dynamics::Context& context) {
        const StreamEnvironment environment(context, *binding, *inputs);
        double value = 0;
        const int32_t result = execute_program(*program, &environment, value);
        if (result != kFormulaOk) dynamics::ThrowFormulaFailure(context, result);
        return value;
      });
}

// A field goal that reads nothing of the world but masses and charges (the line gravity of a
// world: - self.mass * g) keeps one value per body for the whole run. It is worked out here for
// each member, by the same program, instead of at every evaluation for every body; a body it
// cannot be worked out for this way (the goal reads the time, a place or an input) runs the
// program as before, so values and failures stay what they were.
dynamics::Value StreamModel::FieldGoalValue(const CompiledItem& item, const std::vector<int>& members,
                                            const std::vector<dynamics::Body>& bodies,
                                            const std::shared_ptr<const InputTable>& inputs) const {
  dynamics::Value formula = MakeValue(item, inputs);
  if (!item.program || item.program->UsesTime()) return formula;
  std::vector<double> values(bodies.size(), 0.0);
  std::vector<char> known(bodies.size(), 0);
  bool any = false;
  for (int self : members) {
    const BodyConstantsEnvironment environment(*binding_, bodies, self);
    double value = 0;
    if (execute_program(*item.program, &environment, value) != kFormulaOk) continue;
    values[static_cast<size_t>(self)] = value;
    known[static_cast<size_t>(self)] = 1;
    any = true;
  }
  if (!any) return formula;
  return dynamics::Value::Formula(
      [values = std::move(values), known = std::move(known),
       formula = std::move(formula)](const dynamics::Context& context) {
        const auto self = static_cast<size_t>(context.Self());
        return self < known.size() && known[self] != 0 ? values[self] : formula(context);
      });
}

double StreamModel::StartValue(const CompiledItem& item, const InputTable& inputs,
                               const std::vector<dynamics::Body>& bodies,
                               const std::string& where) const {
  if (!item.program) {
    if (!std::isfinite(item.constant))
      throw dynamics::DynamicsError{dynamics::kErrBadModel, where + ": a starting value is not a number"};
    return item.constant;
  }
  StartPoints points(world_.points, pointItems_);
  const StartEnvironment environment(inputs, settings_.animationStep, *binding_, bodies, points);
  double value = 0;
  const int32_t result = execute_program(*item.program, &environment, value);
  if (result != kFormulaOk)
    throw dynamics::DynamicsError{FormulaErrorNumber(result),
                                  where + ": a starting value cannot be evaluated (" +
                                      FormulaErrorText(result) + ")"};
  return value;
}

double StreamModel::Evaluate(const CompiledItem& item, const dynamics::Context& context,
                             const InputTable& inputs) const {
  if (!item.program) return item.constant;
  const StreamEnvironment environment(context, *binding_, inputs);
  double value = 0;
  return execute_program(*item.program, &environment, value) == kFormulaOk ? value : kNoValue;
}

// The bodies a field acts on, as model indices.
std::vector<int> StreamModel::Members(const GroupRecord& group) const {
  std::vector<char> listed(binding_->bodyIds.size(), 0);
  for (int16_t id : group.members) {
    const int index = binding_->Body(id);
    if (index > 0) listed[static_cast<size_t>(index)] = 1;
  }
  std::vector<int> members;
  for (size_t i = 1; i < listed.size(); ++i) {
    // Pairs name what they include; otherwise the list names what is in or what is out.
    const bool in = group.mode == 2 ? (!group.includes || listed[i] != 0)
                                    : (listed[i] != 0) == group.includes;
    if (in) members.push_back(static_cast<int>(i));
  }
  return members;
}

// A constraint may attach to a body itself: it then acts at the body's reference point.
int StreamModel::PointFor(dynamics::Model& model, std::vector<int>& bodyPoints, int16_t id,
                          const std::vector<int>& pointIndex) const {
  const int point = binding_->Point(id);
  if (point >= 0) return pointIndex[static_cast<size_t>(point)];
  const int body = binding_->Body(id);
  int& cached = bodyPoints[static_cast<size_t>(body)];
  if (cached < 0) cached = model.AddPoint(body, 0, 0, 0);
  return cached;
}

dynamics::Model StreamModel::Build(const std::shared_ptr<const InputTable>& inputs) const {
  dynamics::Model model;
  // Room for every body at once: a crowd's list grown body by body is moved many times over.
  model.bodies.reserve(model.bodies.size() + world_.bodies.size());
  for (size_t b = 0; b < world_.bodies.size(); ++b) {
    const BodyRecord& record = world_.bodies[b];
    const std::string where = Where("body", record.id);
    const int index = static_cast<int>(b) + 1;  // the background is body 0 of the model
    auto value = [&](BodyItem item) {
      const CompiledItem& compiled = bodyItems_[b][item];
      // A value too large to hold (a moment entered as 1e999) is an overflow of this body.
      if (!compiled.program && std::isinf(compiled.constant))
        throw dynamics::DynamicsError{dynamics::kErrNotANumber,
                                      where + ": a starting value is too large", index};
      try {
        return StartValue(compiled, *inputs, model.bodies, where);
      } catch (dynamics::DynamicsError& error) {
        if (error.body == dynamics::kNone) error.body = index;
        throw;
      }
    };
    dynamics::Body body;
    body.x = value(kBodyX);
    body.y = value(kBodyY);
    body.r = value(kBodyRotation);
    body.vx = value(kBodyVx);
    body.vy = value(kBodyVy);
    body.vr = value(kBodyVr);
    body.mass = value(kBodyMass);
    body.moment = value(kBodyMoment);
    body.comX = value(kBodyComX);
    body.comY = value(kBodyComY);
    body.staticFriction = value(kBodyStaticFriction);
    body.kineticFriction = value(kBodyKineticFriction);
    body.elasticity = value(kBodyElasticity);
    body.charge = value(kBodyCharge);
    body.anchored = record.anchored;
    if (body.anchored == 0 && !(body.mass > 0 && body.moment > 0))
      throw dynamics::DynamicsError{dynamics::kErrBadModel,
                                    where + ": a free body needs a positive mass and moment"};
    switch (record.shape) {
      case BodyRecord::Shape::Circle:
        body.shape.kind = dynamics::Shape::Kind::Circle;
        break;
      case BodyRecord::Shape::Rectangle:
        body.shape.kind = dynamics::Shape::Kind::Rectangle;
        break;
      case BodyRecord::Shape::Polygon:
        body.shape.kind = dynamics::Shape::Kind::Polygon;
        for (const TableRecord& t : world_.tables)
          if (t.id == record.table)
            for (const auto& [x, y] : TablePoints(t)) {
              body.shape.xs.push_back(x);
              body.shape.ys.push_back(y);
            }
        break;
      case BodyRecord::Shape::None:
        break;
    }
    body.shape.w = record.width;
    body.shape.h = record.height;
    body.shape.curved = record.curved;
    model.AddBody(body);
  }

  std::vector<int> pointIndex;
  for (size_t p = 0; p < world_.points.size(); ++p) {
    const PointRecord& record = world_.points[p];
    const std::string where = Where("point", record.id);
    // A point on no body stays where it is in the world.
    const int body = record.body == kNoObject ? dynamics::kBackground : binding_->Body(record.body);
    auto value = [&](int item) {
      return StartValue(pointItems_[p][static_cast<size_t>(item)], *inputs, model.bodies, where);
    };
    pointIndex.push_back(model.AddPoint(body, value(0), value(1), value(2)));
  }

  std::vector<int> bodyPoints(model.bodies.size(), -1);
  for (const ConstraintPlan& plan : plans_) {
    auto goalsOf = [&](std::vector<dynamics::Goal>& goals) {
      for (const auto& g : plan.goals)
        goals.push_back(dynamics::Goal{g.type, g.marking, g.component, MakeValue(g.value, inputs)});
    };
    if (plan.role == ConstraintPlan::Role::Field) {
      dynamics::Field field;
      field.pairwise = plan.pairwise;
      for (const GroupRecord& g : world_.groups)
        if (g.id == plan.group) field.members = Members(g);
      field.direction = MakeValue(plan.frameAngle, inputs);
      for (const auto& g : plan.goals)
        field.goals.push_back(dynamics::Goal{
            g.type, g.marking, g.component,
            field.pairwise ? MakeValue(g.value, inputs)
                           : FieldGoalValue(g.value, field.members, model.bodies, inputs)});
      // Fields have no activation of their own: a goal gives nothing while the record is off.
      if (plan.activation.program || plan.activation.constant <= 0)
        for (dynamics::Goal& goal : field.goals)
          goal.value = dynamics::Value::Formula(
              [goal = goal.value, on = MakeValue(plan.activation, inputs)](
                  const dynamics::Context& c) { return on(c) > 0 ? goal(c) : 0.0; });
      field.name = Where("field", plan.id);
      field.id = plan.id;
      model.AddField(std::move(field));
      continue;
    }
    dynamics::Constraint constraint;
    constraint.kind = plan.kind;
    constraint.id = plan.id;
    constraint.name = Where("constraint", plan.id);
    constraint.activation = MakeValue(plan.activation, inputs);
    for (int16_t id : plan.attached)
      constraint.points.push_back(PointFor(model, bodyPoints, id, pointIndex));
    if (plan.useFrame) {
      if (plan.frameObject != kNoObject) {
        const int point = binding_->Point(plan.frameObject);
        constraint.frameBody = point >= 0 ? model.points[static_cast<size_t>(pointIndex[static_cast<size_t>(point)])].body
                                          : binding_->Body(plan.frameObject);
      }
      constraint.frameAngle = MakeValue(plan.frameAngle, inputs);
    }
    goalsOf(constraint.goals);
    if (plan.kind == ConstraintKind::CurvedSlot) {
      for (const TableRecord& t : world_.tables)
        if (t.id == plan.curveTable)
          for (const auto& [x, y] : TablePoints(t)) {
            constraint.curveX.push_back(x);
            constraint.curveY.push_back(y);
          }
      constraint.closedCurve = plan.closedCurve;
      if (constraint.curveX.size() < 2)
        throw dynamics::DynamicsError{dynamics::kErrBadModel,
                                      constraint.name + ": a curve needs two points or more"};
    }
    if (plan.gear) {
      MakeGear(model, bodyPoints, constraint, [&](int body) {
        const auto id = binding_->bodyIds.at(static_cast<size_t>(body));
        for (const BodyRecord& record : world_.bodies)
          if (record.id == id) return record.shape;
        return BodyRecord::Shape::None;
      });
    }
    model.AddConstraint(std::move(constraint));
  }
  for (const GroupRecord& g : world_.groups) {
    if (!g.collision) continue;
    dynamics::CollisionGroup group{g.mode, g.includes, binding_->Body(g.reference), {}};
    for (int16_t id : g.members)
      group.members.push_back(binding_->Body(id));
    model.collisionGroups.push_back(std::move(group));
  }
  return model;
}

}  // namespace yb::stream
