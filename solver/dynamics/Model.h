#pragma once
// The mechanical system as the world describes it: bodies, points on bodies, constraint records
// with their goals, and fields. The shapes follow the records the world sends (body record, point
// record, constraint record with its goal list), so reading them from the object stream is a thin
// translation. Everything formula-valued is a Value: a constant or a small program run against the
// current state of the running world.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace yb::dynamics {

class Context;

// A formula-valued input: either a constant or a callable evaluated with the running world.
class Value {
 public:
  using Program = std::function<double(const Context&)>;

  Value() = default;
  Value(double constant) : constant_(constant) {}  // NOLINT: constants convert implicitly
  static Value Formula(Program program) {
    Value v;
    v.program_ = std::move(program);
    return v;
  }

  bool IsConstant() const { return !program_; }
  double Constant() const { return constant_; }
  double operator()(const Context& context) const {
    return program_ ? program_(context) : constant_;
  }

 private:
  double constant_ = 0.0;
  Program program_;
};

// Index 0 is always the background body; it never moves.
inline constexpr int kBackground = 0;
inline constexpr int kNone = -1;

// The outline a body's record carries, in the body frame: a circle of diameter w, a w by h
// rectangle centred on the reference point, or a polygon.
struct Shape {
  enum class Kind : uint8_t { None, Circle, Rectangle, Polygon } kind = Kind::None;
  double w = 0, h = 0;
  std::vector<double> xs, ys;
  // A polygon whose edges are curved: its outline is the closed spline through the vertices.
  bool curved = false;
};

struct Body {
  // Position and velocity of the body's reference point, and its rotation.
  double x = 0, y = 0, r = 0;
  double vx = 0, vy = 0, vr = 0;
  double mass = 1, moment = 1;
  // Centre of mass in the body frame, relative to the reference point.
  double comX = 0, comY = 0;
  double staticFriction = 0, kineticFriction = 0, elasticity = 0, charge = 0;
  // Non-zero anchoring kinds hold the body to the background.
  int16_t anchored = 0;
  Shape shape;
};

// A point fixed on a body, in the body frame relative to its reference point; r is the point's
// own rotation (a slot's direction, a frame's angle).
struct Point {
  int body = kBackground;
  double x = 0, y = 0, r = 0;
};

enum class GoalType : uint8_t {
  Force = 0,
  Position = 1,
  Velocity = 2,
  Acceleration = 3,
  Power = 4
};
enum class Component : uint8_t { X = 0, Y = 1, Rotation = 2 };
// The second flag of a goal: an equality, or a bound that the quantity must not pass.
inline constexpr uint8_t kEquality = 0;
inline constexpr uint8_t kLowerLimit = 1;
inline constexpr uint8_t kUpperLimit = 2;

struct Goal {
  GoalType type = GoalType::Position;
  uint8_t marking = kEquality;
  Component component = Component::X;
  Value value;
};

// What geometry a record's goals act on. The goals say which components are held, driven or
// loaded; the kind says how the attached points make those components.
enum class ConstraintKind : uint8_t {
  Custom,      // goals on the attached points in the record's frame
  Pin,         // points coincide (x, y), welded also in rotation
  Slot,        // points stay on the primary point's line (y), optionally locked in rotation
  CurvedSlot,  // points stay on a curve given in the primary point's frame
  Rod,         // distance (or path length through all points) against a length: rod, rope,
               // separator, pulley
  Rotational,  // relative rotation of the other points' bodies: motors, rotational springs,
               // dampers, rotational limits, torques
  Linear,      // distance between two ends: actuators, linear springs and dampers
  Force,       // a force on one point, in the record's frame
  Gear,        // no slip at the contact of two gears whose centres are the two points
  Rack,        // no slip between a pinion (first point, centre) and a rack (second point)
  Expression,  // no points: each goal's formula is itself the quantity, held at 0 (position
               // goals only)
};

struct Constraint {
  ConstraintKind kind = ConstraintKind::Custom;
  // The frame's body (kNone = the world) and the frame angle, relative to that body.
  int frameBody = kNone;
  Value frameAngle;
  // The constraint acts while this is above 0.
  Value activation = 1.0;
  std::vector<int> points;  // the primary point first
  std::vector<Goal> goals;
  // Gear: the ratio of the first gear's radius to the second's, and whether the second gear is
  // an internal (ring) gear. Rack: the pinion's radius.
  double ratio = 1.0;
  bool internal = false;
  // Curved slot: curve points in the primary point's frame, and whether the curve closes.
  std::vector<double> curveX, curveY;
  bool closedCurve = false;
  std::string name;
  // The identifier formulas name it by (Constraint[id]); the index when not given.
  int32_t id = kNone;
};

// A field acts on its member bodies, each alone (self) or in every pair (self, other).
struct Field {
  bool pairwise = false;
  std::vector<int> members;
  // The direction of component X, evaluated with self (and other); Y is perpendicular. For pair
  // fields component X runs along the line from other to self.
  Value direction;
  std::vector<Goal> goals;  // force goals only
  std::string name;
  // The identifier formulas name the field by (constraintforce(id, body)); kNone names none.
  int32_t id = kNone;
};

// Which pairs of bodies collide, as the world's collision group says: pairs with the reference
// body of the listed bodies (mode 0), pairs of two listed bodies (mode 1), or the listed pairs
// (mode 2, the members one pair after the other). The list names the pairs that collide, or,
// when it does not include, the pairs that do not.
struct CollisionGroup {
  int16_t mode = 2;
  bool includes = true;
  int reference = kNone;
  std::vector<int> members;  // body indices; kNone for a member that is no body
};

struct Model {
  Model();  // holds the background body
  std::vector<Body> bodies;
  std::vector<Point> points;
  std::vector<Constraint> constraints;
  std::vector<Field> fields;
  std::vector<CollisionGroup> collisionGroups;
  // Current values of the inputs, Input[1] first.
  std::vector<double> inputs;

  int AddBody(const Body& body);
  int AddPoint(int body, double x, double y, double r = 0);
  int AddConstraint(Constraint constraint);
  int AddField(Field field);
};

// Builders that produce the records each kind sends, so callers do not repeat goal layouts.
Constraint MakePin(int a, int b, bool welded = false);
Constraint MakeSlot(int onSlot, int slider, bool locked = false);
// d == length always; a rope keeps d <= length, a separator d >= length. More than two points
// make a pulley: the path length through all of them.
enum class RodType : uint8_t { Rod = 0, Separator = 1, Rope = 2 };
Constraint MakeRod(std::vector<int> points, Value length, RodType type = RodType::Rod);
Constraint MakeRotationalLimit(int a, int b, Value minimum, Value maximum);
// A drive between two ends: rotational (motor) or linear (actuator), of the given drive kind,
// with an optional limit goal of the given kind (the force or torque it may not exceed, or the
// speed a force drive may not exceed).
Constraint MakeMotor(int a, int b, GoalType drive, Value value, bool rotational = true);
void AddDriveLimit(Constraint& drive, GoalType kind, Value limit);
// Springs and dampers between two ends (linear) or two bodies (rotational), from a force law.
Constraint MakeForceLaw(int a, int b, Value law, bool rotational = false);
Constraint MakeSpring(int a, int b, double k, double restLength, bool rotational = false);
Constraint MakeDamper(int a, int b, double c, bool rotational = false);
Constraint MakeForce(int point, Value fx, Value fy, int frameBody = kNone);
Constraint MakeTorque(int point, Value torque);
Constraint MakeGear(int centreA, int centreB, double ratio, bool internal = false);
Constraint MakeRack(int pinionCentre, int rackPoint, double radius);
Constraint MakeCurvedSlot(int curvePoint, int slider, std::vector<double> x, std::vector<double> y,
                          bool closed);
Field MakeLineGravity(std::vector<int> members, double g);
Field MakePlanetaryGravity(std::vector<int> members, double G);

}  // namespace yb::dynamics
