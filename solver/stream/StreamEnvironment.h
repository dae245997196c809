#pragma once
// Formulas of a stream name objects by their stream identifiers ("Body[7]", "Input[12]"); the
// mechanical system numbers them by position. The binding keeps both directions, and the stream
// environment answers a formula's questions through it, so that every formula sees identifiers
// and the mechanics see indices. Input values come from the records of the run call in progress.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "solver/dynamics/Context.h"
#include "solver/dynamics/FormulaValues.h"
#include "solver/formula/FormulaEnvironment.h"
#include "solver/formula/FormulaErrors.h"

namespace yb::stream {

// Identifier <-> index of bodies and points (the background is identifier 0, index 0).
struct Binding {
  std::unordered_map<int32_t, int> bodyIndex, pointIndex;
  std::vector<int32_t> bodyIds, pointIds;

  int Body(int32_t id) const { return Find(bodyIndex, id); }
  int Point(int32_t id) const { return Find(pointIndex, id); }

 private:
  static int Find(const std::unordered_map<int32_t, int>& map, int32_t id) {
    const auto found = map.find(id);
    return found == map.end() ? -1 : found->second;
  }
};

// The input values of the run call in progress, by identifier.
class InputTable {
 public:
  void Clear() { values_.clear(); }
  bool operator==(const InputTable&) const = default;
  void Set(int32_t id, double value) { values_[id] = value; }
  bool Get(int32_t id, double& value) const {
    const auto found = values_.find(id);
    if (found == values_.end()) return false;
    value = found->second;
    return true;
  }

 private:
  std::unordered_map<int32_t, double> values_;
};

class StreamEnvironment : public FormulaEnvironment {
 public:
  StreamEnvironment(const dynamics::Context& context, const Binding& binding,
                    const InputTable& inputs)
      : world_(context), binding_(binding), inputs_(inputs), context_(context) {}

  int32_t Time(double& out) const override { return world_.Time(out); }
  int32_t ExternalStep(double& out) const override { return world_.ExternalStep(out); }
  int32_t Participant(int32_t which, FormulaObject& out) const override;
  int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const override;
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override;
  int32_t InputValue(int32_t number, double& out) const override;
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override {
    return world_.GroupCentreOfMass(group, out);
  }
  int32_t Section(const FormulaObject& body, const FormulaVector& direction,
                  double& out) const override;
  int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair,
                      FormulaVector& out) const override {
    // The field queries name a body by its plain identifier ("constraintpairs(5,2)").
    FormulaObject named = object;
    if (object.kind == FormulaObjectKind::kNumber && IsFieldQuery(query))
      named.kind = FormulaObjectKind::kBody;
    FormulaObject indexed = named;
    if (named.kind == FormulaObjectKind::kBody && !ToIndex(named, indexed))
      return kFormulaUnknownObject;
    return world_.Interaction(query, field, indexed, pair, out);
  }

 private:
  // The object with its index in place of its identifier, or false when it is not there.
  bool ToIndex(const FormulaObject& object, FormulaObject& indexed) const;
  static bool IsFieldQuery(FormulaInteraction query) {
    return query == FormulaInteraction::kConstraintForce ||
           query == FormulaInteraction::kConstraintPairs ||
           query == FormulaInteraction::kConstraintForcePair;
  }

  dynamics::WorldEnvironment world_;
  const Binding& binding_;
  const InputTable& inputs_;
  const dynamics::Context& context_;
};

}  // namespace yb::stream
