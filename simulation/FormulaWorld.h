#pragma once
// The world as formulas see it outside the solver: the values of the objects at the shown frame
// (or as the editor places them), the inputs, the time, the interaction records the last run
// left (constraint forces, contacts, collisions), and the participants of a field goal. The
// world fills it; formulas evaluate against it (TFormula::Evaluate).
//
// Objects are kept by kind and number, never by pointer: a formula that names an object the world
// no longer holds fails with the unknown-object error (-28806) rather than reading a deleted
// object.

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "solver/formula/FormulaEnvironment.h"

// The geometry queries that formulas call back into, filled by the geometry manager's
// registration (RegisterGeometryManager). Each answers 0 and its out value, or a formula
// evaluation code; a null entry answers "no value".
struct TGeometryCallbacks {
  int32_t (*groupCentreOfMass)(const void* world, int32_t group, FormulaVector& out) = nullptr;
  int32_t (*section)(const void* world, const FormulaObject& body, const FormulaVector& direction,
                     double& out) = nullptr;
};
TGeometryCallbacks& GeometryCallbacks();

class TLink;
struct TFormulaObjectState;

// Fills the state of one world object as formulas see it (its kind, number, name and values);
// answers false for an object that formulas do not name. The layers that know the objects install
// one each at start-up (InstallFormulaObjectDescriber); null removes it.
using FormulaObjectDescriber = bool (*)(TLink& object, TFormulaObjectState& state);
void InstallFormulaObjectDescriber(FormulaObjectDescriber describer);
void RemoveFormulaObjectDescriber(FormulaObjectDescriber describer);
// The state of the object by the first installed describer that knows it; constraints, which no
// describer needs to know, are named by kind and number with no values.
bool DescribeFormulaObject(TLink& object, TFormulaObjectState& state);

struct TFormulaObjectState {
  FormulaObjectKind kind = FormulaObjectKind::kBody;
  int32_t number = 0;
  std::string name;  // the object's description, found without regard to case
  FormulaVector position;
  FormulaVector velocity;
  FormulaVector acceleration;
  FormulaVector displacement;
  FormulaVector displacementRate;
  double mass = 0.0;
  double charge = 0.0;
  bool hasMass = false;  // points and constraints have no mass or charge
  // Values that only some objects have, or that are known only during a run: a query of a
  // member whose flag is clear has no value.
  bool hasAcceleration = true;
  bool hasDisplacement = true;
  bool hasDisplacementRate = true;
};

class TFormulaWorld : public FormulaEnvironment {
 public:
  void SetTime(double time) { time_ = time; }
  void SetExternalStep(double step) { externalStep_ = step; }
  void SetInput(int32_t number, double value) { inputs_[number] = value; }
  void RemoveInput(int32_t number) { inputs_.erase(number); }
  void ClearInputs() { inputs_.clear(); }

  // Adds or replaces the object of that kind and number.
  void SetObject(const TFormulaObjectState& state);
  void RemoveObject(FormulaObjectKind kind, int32_t number);
  const TFormulaObjectState* FindState(FormulaObjectKind kind, int32_t number) const;

  // An interaction record: the answer of query for (field, object, pair).
  void SetInteraction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair, const FormulaVector& value);
  void ClearInteractions() { interactions_.clear(); }

  // self and other of a field goal (none while unset).
  void SetParticipants(const FormulaObject& self, const FormulaObject& other);
  void ClearParticipants() { participantCount_ = 0; }

  // The world the geometry callbacks are given.
  void SetGeometryContext(const void* context) { geometryContext_ = context; }
  // Forgets every object and interaction record, keeping time, inputs and context.
  void ClearObjects() {
    objects_.clear();
    interactions_.clear();
  }

  // FormulaEnvironment.
  int32_t Time(double& out) const override;
  int32_t ExternalStep(double& out) const override;
  int32_t Participant(int32_t which, FormulaObject& out) const override;
  int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const override;
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override;
  int32_t InputValue(int32_t number, double& out) const override;
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override;
  int32_t Section(const FormulaObject& body, const FormulaVector& direction,
                  double& out) const override;
  int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair, FormulaVector& out) const override;

 private:
  using ObjectKey = std::pair<FormulaObjectKind, int32_t>;
  using InteractionKey = std::tuple<FormulaInteraction, FormulaObjectKind, int32_t,
                                    FormulaObjectKind, int32_t, int32_t>;
  // A number given where an object is expected means a body of that number.
  static ObjectKey KeyOf(const FormulaObject& object);

  double time_ = 0.0;
  double externalStep_ = 0.0;
  std::map<int32_t, double> inputs_;
  std::map<ObjectKey, TFormulaObjectState> objects_;
  std::map<InteractionKey, FormulaVector> interactions_;
  FormulaObject participants_[2];
  int32_t participantCount_ = 0;
  const void* geometryContext_ = nullptr;
};
