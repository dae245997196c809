#pragma once
// The world as a formula sees it. A compiled formula names objects and asks for their values only
// through this interface, so the same program can be evaluated during a run (the dynamics answer
// from the integrator's state) and in the editor (the program answers from the document).
//
// Every query answers 0 and fills its out value, or one of the evaluation codes of
// FormulaErrors.h (kFormulaUnknownObject, kFormulaNoValue, ...); the evaluator stops at the first
// non-zero answer and reports it. Implementations must not allocate on these paths if evaluation
// is to stay allocation-free.

#include <cstdint>
#include <string_view>

// The kinds of object a formula can name.
enum class FormulaObjectKind : uint8_t {
  kBody,        // body[n] / Body[n]: a body by its solver number, 0 = the background
  kPoint,       // point[n]
  kConstraint,  // Constraint[n]: a constraint by its identifier
  kNumber,      // a plain number given where an object is expected (its meaning is the query's)
  kOther,       // any other object the environment resolved from a name
};

// A resolved object reference. `number` is the object's number in its kind (for kOther the
// environment's own identifier).
struct FormulaObject {
  FormulaObjectKind kind = FormulaObjectKind::kNumber;
  int32_t number = 0;
};

// Position-like values carry a rotation beside the two components (p: x, y, rotation).
struct FormulaVector {
  double x = 0.0;
  double y = 0.0;
  double r = 0.0;
};

// The per-object values a formula can select with a member name.
enum class FormulaMember : uint8_t {
  kPosition,          // .p   vector (x, y, rotation)
  kVelocity,          // .v   vector
  kAcceleration,      // .a   vector
  kDisplacement,      // .dp  vector: a constraint's length (x) or relative rotation (r)
  kDisplacementRate,  // .dv  vector: the rate of .dp
  kMass,              // .mass scalar (r and y unused)
  kCharge,            // .charge scalar
};

// The interaction queries of the force and contact display formulas.
enum class FormulaInteraction : uint8_t {
  kConstraintForce,       // constraintforce(object) or constraintforce(field, object): vector
  kConstraintPairs,       // constraintpairs(field, object): count in x
  kConstraintForcePair,   // constraintforcepair(field, object, i): vector
  kContactPairs,          // contactpairs(object): count in x
  kCollisionPairs,        // collisionpairs(object): count in x
  kContactForcePair,      // contactforcepair(object, i): vector
  kCollisionImpulsePair,  // collisionimpulsepair(object, i): vector
  kFrictionForcePair,     // frictionforcepair(object, i): vector
  kContactPair,           // contactpair(object, i): location, vector
  kCollisionPair,         // collisionpair(object, i): location, vector
};

class FormulaEnvironment {
 public:
  virtual ~FormulaEnvironment() = default;

  // Optional fast path: where the environment keeps a value, so that a bound program
  // (FormulaProgram::Bind) reads it directly. For kMember the member of `object` (x, y, r
  // consecutive for vectors); for kInput input `object.number`; for kTime the time (object
  // unused). The address must stay valid and current until the environment binds again. The
  // default keeps every value behind the queries below.
  enum class Slot : uint8_t { kMember, kInput, kTime };
  virtual const double* Address(Slot slot, const FormulaObject& object,
                                FormulaMember member) const {
    (void)slot, (void)object, (void)member;
    return nullptr;
  }

  // `time`: the simulation time in seconds.
  virtual int32_t Time(double& out) const = 0;
  // `extdt()`: the length of the current frame step in seconds.
  virtual int32_t ExternalStep(double& out) const = 0;

  // `self` (which = 0) and `other` (which = 1): the bodies a field goal is evaluated for.
  virtual int32_t Participant(int32_t which, FormulaObject& out) const = 0;
  // A name that is not part of the language: a bare name ("Wheel" gives number -1) or a kind
  // with a number ("Point[4]" gives name "Point", number 4). Names compare without regard to
  // case.
  virtual int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const = 0;

  // A member of an object; scalars answer in x.
  virtual int32_t Member(const FormulaObject& object, FormulaMember member,
                         FormulaVector& out) const = 0;
  // `Input[n]`: the current value of input n.
  virtual int32_t InputValue(int32_t number, double& out) const = 0;
  // `GroupCofM(g)`: the centre of mass of group g.
  virtual int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const = 0;
  // `section(body, direction)`: the width of the body across the direction (for air drag).
  virtual int32_t Section(const FormulaObject& body, const FormulaVector& direction,
                          double& out) const = 0;
  // The interaction queries; `field` is used by the three constraint queries that take one
  // (otherwise kNumber 0), `pair` (1-based) by the pair queries (otherwise 0).
  virtual int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                              const FormulaObject& object, int32_t pair,
                              FormulaVector& out) const = 0;
};
