#include "solver/stream/StreamReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace yb::stream {

namespace {

constexpr int16_t kEndOfObject = -1;

// Goal flags of the goal type beyond which no goal exists (power is the last).
constexpr uint8_t kLastGoalType = 4;
constexpr uint8_t kLastComponent = 2;
constexpr uint8_t kLastMarking = 2;

[[noreturn]] void Fail(const std::string& message) {
  StreamCursor::Fail(message);
}

std::string Describe(int16_t id) {
  return "object " + std::to_string(id);
}

// "ZodA", then the version "3" as a string: its length, the character and a pad byte.
void ReadHeader(StreamCursor& in) {
  if (in.Remaining() < 8 || std::memcmp(in.Position(), "ZodA", 4) != 0)
    Fail("the stream does not begin with an object stream header");
  in.Skip(4);
  if (in.String() != "3") Fail("the stream is not a native object stream of version 3");
}

// What one object of the stream carried, before its role is decided.
struct ObjectBlocks {
  int16_t id = 0;
  std::optional<BodyRecord> body;
  std::optional<PointRecord> point;
  std::optional<TableRecord> table;
  std::optional<ConstraintRecord> constraint;
  std::optional<GroupRecord> group;
  std::optional<ElementList> elements;
  std::optional<dynamics::RunSettings> settings;
  bool shapeBlock = false, pointBlock = false;
  std::vector<int16_t> codes;  // the solver's blocks met so far
};

BodyRecord& BodyOf(ObjectBlocks& object) {
  if (!object.body) {
    object.body.emplace();
    object.body->id = object.id;
  }
  return *object.body;
}

PointRecord& PointOf(ObjectBlocks& object) {
  if (!object.point) {
    object.point.emplace();
    object.point->id = object.id;
  }
  return *object.point;
}

void ReadBody(StreamCursor& in, ObjectBlocks& object) {
  BodyRecord& body = BodyOf(object);
  for (FormulaItem& item : body.items)
    item = in.Formula();
  body.recordWord = in.Code();
  body.anchored = in.Code();
}

void ReadShapeSize(StreamCursor& in, ObjectBlocks& object, BodyRecord::Shape shape) {
  if (object.shapeBlock) Fail(Describe(object.id) + " has two shape blocks");
  object.shapeBlock = true;
  BodyRecord& body = BodyOf(object);
  body.shape = shape;
  if (shape == BodyRecord::Shape::Polygon) {
    body.table = in.Code();
    return;
  }
  body.width = in.Double();
  body.height = in.Double();
  // A size is a length: not below zero and finite. How thin a body may be for the speeds it
  // meets is the run's to judge.
  const auto length = [](double v) { return v >= 0 && v < 1e300; };
  if (!length(body.width) || !length(body.height))
    Fail(Describe(object.id) + " has a shape size that is not a length");
}

void ReadPoint(StreamCursor& in, ObjectBlocks& object, bool gearContact) {
  if (object.pointBlock) Fail(Describe(object.id) + " has two point records");
  object.pointBlock = true;
  PointRecord& point = PointOf(object);
  point.gearContact = point.gearContact || gearContact;
  point.body = in.Code();
  point.x = in.Formula();
  point.y = in.Formula();
  point.r = in.Formula();
}

void ReadSplinePoint(StreamCursor& in, ObjectBlocks& object) {
  PointRecord& point = PointOf(object);
  point.spline = true;
  point.splineType = in.Code();
  point.table = in.Code();
}

void ReadTable(StreamCursor& in, ObjectBlocks& object) {
  TableRecord& table = object.table.emplace();
  table.id = object.id;
  table.columns = in.Code();
  table.rows = in.Code();
  if (table.columns < 0 || table.rows < 0) Fail("a table with a negative size");
  const int64_t count = static_cast<int64_t>(table.columns) * table.rows;
  in.Expect(count, 8, "table values");
  table.values.resize(static_cast<size_t>(count));
  for (double& value : table.values)
    value = in.Double();
}

GoalRecord ReadGoal(StreamCursor& in) {
  GoalRecord goal;
  goal.type = in.Byte();
  goal.marking = in.Byte();
  goal.component = in.Byte();
  if (goal.type > kLastGoalType || goal.marking > kLastMarking || goal.component > kLastComponent)
    Fail("a goal with flags no goal has");
  goal.value = in.Formula();
  return goal;
}

void ReadConstraint(StreamCursor& in, ObjectBlocks& object) {
  ConstraintRecord& record = object.constraint.emplace();
  record.id = object.id;
  record.frameObject = in.Code();
  record.primaryQuantity = in.Formula();
  record.activation = in.Formula();
  record.conditionMode = in.Code();
  record.related = in.Code();
  record.second = in.Formula();
  const int16_t attached = in.Code();
  in.Expect(attached, 2, "attached objects");
  record.attached.resize(static_cast<size_t>(attached));
  for (int16_t& id : record.attached)
    id = in.Code();
  const int16_t goals = in.Code();
  // The smallest goal is three flags and an empty text: 2 + 2 + 2 + 2 + 2 bytes.
  in.Expect(goals, 10, "goals");
  for (int16_t i = 0; i < goals; ++i)
    record.goals.push_back(ReadGoal(in));
}

void ReadGroup(StreamCursor& in, ObjectBlocks& object) {
  const bool collision = object.group && object.group->collision;
  GroupRecord& group = object.group.emplace();
  group.id = object.id;
  group.collision = collision;
  const int16_t kind = in.Code();
  if (kind < 0 || kind > 5) Fail("a group of a kind no group has");
  group.mode = kind % 3;
  group.includes = kind < 3;
  group.reference = in.Code();
  const int16_t count = in.Code();
  in.Expect(count, 2, "group members");
  if (group.mode == 2 && count % 2 != 0) Fail("a group of pairs with an odd member count");
  group.members.resize(static_cast<size_t>(count));
  for (int16_t& id : group.members)
    id = in.Code();
}

void ReadElements(StreamCursor& in, ObjectBlocks& object) {
  ElementList& list = object.elements.emplace();
  list.id = object.id;
  const int16_t count = in.Code();
  // The smallest formula item is a flag and an empty text.
  in.Expect(count, 4, "recorded formulas");
  for (int16_t i = 0; i < count; ++i)
    list.items.push_back(in.Formula());
}

bool ReadSwitch(StreamCursor& in) {
  return in.Code() != 0;
}

void ReadRunSettings(StreamCursor& in, ObjectBlocks& object) {
  dynamics::RunSettings& s = object.settings.emplace();
  const int16_t integrator = in.Code();
  const int16_t mode = in.Code();
  if (integrator != static_cast<int16_t>(dynamics::IntegratorKind::Euler) &&
      integrator != static_cast<int16_t>(dynamics::IntegratorKind::KuttaMerson))
    Fail("run settings with an unknown integrator");
  if (mode < 0 || mode > 3) Fail("run settings with an unknown run mode");
  s.integrator = static_cast<dynamics::IntegratorKind>(integrator);
  s.mode = static_cast<dynamics::RunMode>(mode == 1 ? 2 : mode);
  s.variableStep = ReadSwitch(in);
  s.autoAnimationStep = ReadSwitch(in);
  s.animationStep = in.Double();
  s.stepsPerFrame = in.Code();
  s.autoIntegratorError = ReadSwitch(in);
  s.integratorError = in.Double();
  s.autoOverlapError = ReadSwitch(in);
  s.overlapError = in.Double();
  s.autoAssemblyError = ReadSwitch(in);
  s.assemblyError = in.Double();
  s.autoSignificantDigits = ReadSwitch(in);
  s.significantDigits = in.Code();
  s.warnInaccurate = in.Code();
  s.warnOverlap = in.Code();
  s.warnRedundant = in.Code();
  s.warnInconsistent = in.Code();
  auto positive = [](double v) { return v > 0 && v < 1e300; };
  if (!positive(s.animationStep) || !positive(s.integratorError) || !positive(s.overlapError) ||
      !positive(s.assemblyError))
    Fail("run settings with a step or an error that is not a positive number");
  s.SetStepsPerFrame(s.stepsPerFrame);
}

// Reads one block's contents; unknown codes are skipped. A block the solver reads must hold
// everything its layout names; anything after that is left unread.
void ReadBlock(int16_t code, StreamCursor& in, ObjectBlocks& object) {
  if (std::find(object.codes.begin(), object.codes.end(), code) != object.codes.end())
    Fail(Describe(object.id) + " has block " + std::to_string(code) + " twice");
  object.codes.push_back(code);
  switch (code) {
    case kBlockBody:
      ReadBody(in, object);
      return;
    case kBlockPolygon:
      ReadShapeSize(in, object, BodyRecord::Shape::Polygon);
      return;
    case kBlockCircleSize:
      ReadShapeSize(in, object, BodyRecord::Shape::Circle);
      return;
    case kBlockRectangleSize:
      ReadShapeSize(in, object, BodyRecord::Shape::Rectangle);
      return;
    case kBlockCurved:
      BodyOf(object).curved = ReadSwitch(in);
      return;
    case kBlockConstraint:
      ReadConstraint(in, object);
      return;
    case kBlockPoint:
    case kBlockGearContactPoint:
      ReadPoint(in, object, code == kBlockGearContactPoint);
      return;
    case kBlockSplinePoint:
      ReadSplinePoint(in, object);
      return;
    case kBlockElements:
      ReadElements(in, object);
      return;
    case kBlockTable:
      ReadTable(in, object);
      return;
    case kBlockGroup:
      ReadGroup(in, object);
      return;
    case kBlockCollisionGroup:
      if (!object.group) {
        object.group.emplace();
        object.group->id = object.id;
      }
      object.group->collision = true;
      return;
    case kBlockRunSettings:
      ReadRunSettings(in, object);
      return;
    default:
      object.codes.pop_back();
      return;
  }
}

ObjectBlocks ReadObject(StreamCursor& in, int16_t id) {
  ObjectBlocks object;
  object.id = id;
  while (true) {
    if (in.AtEnd()) Fail("the stream ends inside " + Describe(id));
    const int16_t code = in.Code();
    if (code == kEndOfObject) return object;
    const int32_t length = in.Long();
    if (length < 0) Fail("a block of negative length in " + Describe(id));
    StreamCursor block = in.Take(length);
    ReadBlock(code, block, object);
  }
}

int Roles(const ObjectBlocks& o) {
  return (o.body ? 1 : 0) + (o.point ? 1 : 0) + (o.table ? 1 : 0) + (o.constraint ? 1 : 0) +
         (o.group ? 1 : 0);
}

void Collect(ObjectBlocks&& o, StreamWorld& world) {
  if (Roles(o) > 1) Fail(Describe(o.id) + " is more than one kind of object");
  if (o.body && o.id == kBackgroundId) Fail("the background carries a body record");
  if (o.body && std::find(o.codes.begin(), o.codes.end(), kBlockBody) == o.codes.end())
    Fail(Describe(o.id) + " has a shape but no body record");
  if (o.point && !o.pointBlock) Fail(Describe(o.id) + " is a spline point without its point");
  if (o.group && std::find(o.codes.begin(), o.codes.end(), kBlockGroup) == o.codes.end())
    Fail(Describe(o.id) + " is a collision group without its members");
  if (o.body) world.bodies.push_back(std::move(*o.body));
  if (o.point) world.points.push_back(std::move(*o.point));
  if (o.table) world.tables.push_back(std::move(*o.table));
  if (o.constraint) world.constraints.push_back(std::move(*o.constraint));
  if (o.group) world.groups.push_back(std::move(*o.group));
  if (o.elements) world.elements.push_back(std::move(*o.elements));
  if (o.settings) {
    if (world.settings) Fail("two sets of run settings");
    world.settings = *o.settings;
  }
}

// What every identifier names, to check references once all objects are read.
enum class Kind : uint8_t { Missing, Other, Body, Point, Table, Constraint, Group };

class References {
 public:
  // Objects the solver does not use may share an identifier (nothing refers to them); an
  // identifier that names a body, point, table, constraint or group must name only it.
  explicit References(const StreamWorld& world) {
    for (int16_t id : world.objects)
      kinds_[id] = Kind::Other;
    for (const BodyRecord& b : world.bodies)
      Enter(b.id, Kind::Body);
    for (const PointRecord& p : world.points)
      Enter(p.id, Kind::Point);
    for (const TableRecord& t : world.tables)
      Enter(t.id, Kind::Table);
    for (const ConstraintRecord& c : world.constraints)
      Enter(c.id, Kind::Constraint);
    for (const GroupRecord& g : world.groups)
      Enter(g.id, Kind::Group);
  }

  void Expect(int16_t id, std::initializer_list<Kind> kinds, bool noneAllowed,
              const std::string& where) const {
    if (id == kNoObject && noneAllowed) return;
    const Kind kind = KindOf(id);
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
      Fail(where + " names " + Describe(id) + ", which is not there or not of the right kind");
  }

 private:
  void Enter(int16_t id, Kind kind) {
    Kind& entry = kinds_[id];
    if (entry != Kind::Other) Fail("two objects are " + Describe(id));
    entry = kind;
  }

  Kind KindOf(int16_t id) const {
    // The background body is there even when the stream leaves it out.
    if (id == kBackgroundId) return Kind::Body;
    const auto found = kinds_.find(id);
    if (found == kinds_.end()) return Kind::Missing;
    return found->second;
  }

  std::unordered_map<int16_t, Kind> kinds_;
};

void CheckReferences(const StreamWorld& world) {
  const References refs(world);
  for (const BodyRecord& b : world.bodies) {
    const std::string where = "body " + std::to_string(b.id);
    if (b.shape == BodyRecord::Shape::Polygon)
      refs.Expect(b.table, {Kind::Table}, true, where);
  }
  for (const PointRecord& p : world.points) {
    const std::string where = "point " + std::to_string(p.id);
    refs.Expect(p.body, {Kind::Body}, true, where);
    if (p.spline) refs.Expect(p.table, {Kind::Table}, true, where);
  }
  for (const ConstraintRecord& c : world.constraints) {
    const std::string where = "constraint " + std::to_string(c.id);
    refs.Expect(c.frameObject, {Kind::Body, Kind::Point}, true, where);
    refs.Expect(c.related, {Kind::Other, Kind::Body, Kind::Point, Kind::Table, Kind::Constraint,
                            Kind::Group},
                true, where);
    // A record that lost an attached object (a gear's contact record without its gear) names
    // none in its place; the model sets such a record aside.
    for (int16_t id : c.attached)
      refs.Expect(id, {Kind::Body, Kind::Point}, true, where);
  }
  for (const GroupRecord& g : world.groups) {
    const std::string where = "group " + std::to_string(g.id);
    refs.Expect(g.reference, {Kind::Other, Kind::Body, Kind::Point, Kind::Constraint}, true,
                where);
    for (int16_t id : g.members)
      refs.Expect(id, {Kind::Other, Kind::Body, Kind::Point, Kind::Constraint}, false, where);
  }
}

}  // namespace

StreamWorld ReadStream(const uint8_t* bytes, int64_t count) {
  if (bytes == nullptr || count < 0) Fail("no stream");
  StreamCursor in(bytes, count);
  ReadHeader(in);
  StreamWorld world;
  while (!in.AtEnd()) {
    const int16_t id = in.Code();
    // An end mark where an object would begin closes the stream.
    if (id == kEndOfObject) break;
    world.objects.push_back(id);
    Collect(ReadObject(in, id), world);
  }
  CheckReferences(world);
  return world;
}

}  // namespace yb::stream
