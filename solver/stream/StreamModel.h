#pragma once
// Turns a stream's world into a mechanical system. The stream has no class tags, so each
// constraint record is read by what it carries: its attached objects, its frame and its goals
// (docs/solver-stream.md says how each goal pattern is read). Formula texts are compiled once,
// when the stream is read, and bound to the stream's objects; values that can depend on inputs
// (a body's starting position, its mass) are evaluated when the world starts, with the inputs
// of that first run call.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "solver/dynamics/Model.h"
#include "solver/dynamics/RunSettings.h"
#include "solver/formula/FormulaProgram.h"
#include "solver/stream/StreamEnvironment.h"
#include "solver/stream/StreamWorld.h"

namespace yb::stream {

// A formula item compiled: a constant, or a program bound to the stream's identifiers.
struct CompiledItem {
  double constant = 0.0;
  std::shared_ptr<const FormulaProgram> program;
};

// A value recorded with every frame, and the object that asked for it.
struct RecordedValue {
  int16_t owner = 0;
  CompiledItem item;
};

class StreamModel {
 public:
  // Compiles every formula of the world and checks that each identifier a formula names is an
  // object of the stream; refuses with StreamError (the formula compiler's code for a text that
  // does not compile, kFormulaUnknownObject for a missing object, kEngineCannotRead for a record
  // the solver cannot read).
  explicit StreamModel(StreamWorld world);

  const dynamics::RunSettings& Settings() const { return settings_; }
  int BodyCount() const { return static_cast<int>(world_.bodies.size()); }
  int RecordedCount() const { return static_cast<int>(recorded_.size()); }
  const std::vector<RecordedValue>& Recorded() const { return recorded_; }
  // The stream identifier of model body b (1 the first body of the stream; for reports).
  int16_t BodyId(int b) const { return world_.bodies[static_cast<size_t>(b - 1)].id; }
  // The stream identifier of model constraint c (for reports).
  int16_t ConstraintId(int c) const { return constraintIds_[static_cast<size_t>(c)]; }

  // The mechanical system at the start, with the inputs given (raises DynamicsError when a
  // starting value cannot be evaluated).
  dynamics::Model Build(const std::shared_ptr<const InputTable>& inputs) const;
  // The value of a recorded item for the running world, or the no-value marker when it cannot be
  // evaluated.
  double Evaluate(const CompiledItem& item, const dynamics::Context& context,
                  const InputTable& inputs) const;

 private:
  // A constraint record read for what it does: a constraint of a kind, or a field, with its goals
  // compiled.
  struct ConstraintPlan {
    enum class Role : uint8_t { Constraint, Field } role = Role::Constraint;
    dynamics::ConstraintKind kind = dynamics::ConstraintKind::Custom;
    int16_t id = 0;
    int16_t frameObject = kNoObject;  // a body or point whose body turns the frame
    bool useFrame = false;
    CompiledItem frameAngle, activation;
    std::vector<int16_t> attached;
    struct Goal {
      dynamics::GoalType type;
      uint8_t marking;
      dynamics::Component component;
      CompiledItem value;
    };
    std::vector<Goal> goals;
    // Fields.
    bool pairwise = false;
    int16_t group = kNoObject;
    // Curved slots.
    int16_t curveTable = kNoObject;
    bool closedCurve = false;
    // Gears: the two contact points, whose places at the start give the ratio.
    bool gear = false;
  };

  CompiledItem Compile(const FormulaItem& item, const std::string& where) const;
  void CheckReferences(const FormulaProgram& program, const std::string& where) const;
  void PlanConstraint(const ConstraintRecord& record);
  void PlanFormulaConstraint(const ConstraintRecord& record, ConstraintPlan plan);
  dynamics::Value MakeValue(const CompiledItem& item,
                            const std::shared_ptr<const InputTable>& inputs) const;
  dynamics::Value FieldGoalValue(const CompiledItem& item, const std::vector<int>& members,
                                 const std::vector<dynamics::Body>& bodies,
                                 const std::shared_ptr<const InputTable>& inputs) const;
  double StartValue(const CompiledItem& item, const InputTable& inputs,
                    const std::vector<dynamics::Body>& bodies, const std::string& where) const;
  int PointFor(dynamics::Model& model, std::vector<int>& bodyPoints, int16_t id,
               const std::vector<int>& pointIndex) const;
  std::vector<int> Members(const GroupRecord& group) const;

  StreamWorld world_;
  dynamics::RunSettings settings_;
  std::shared_ptr<Binding> binding_;
  std::vector<std::array<CompiledItem, kBodyItemCount>> bodyItems_;
  std::vector<std::array<CompiledItem, 3>> pointItems_;
  std::vector<ConstraintPlan> plans_;
  std::vector<int16_t> constraintIds_;
  std::vector<RecordedValue> recorded_;
};

}  // namespace yb::stream
