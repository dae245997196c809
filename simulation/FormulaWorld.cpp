#include "simulation/FormulaWorld.h"

#include <algorithm>
#include <cctype>

#include "model/Link.h"

#include "solver/formula/FormulaErrors.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The kind a name with a number stands for ("Point[4]").
bool KindOfName(std::string_view name, FormulaObjectKind& kind) {
  if (SameName(name, "body")) {
    kind = FormulaObjectKind::kBody;
  } else if (SameName(name, "point")) {
    kind = FormulaObjectKind::kPoint;
  } else if (SameName(name, "constraint")) {
    kind = FormulaObjectKind::kConstraint;
  } else {
    return false;
  }
  return true;
}

}  // namespace

namespace {

std::vector<FormulaObjectDescriber>& Describers() {
  static std::vector<FormulaObjectDescriber> describers;
  return describers;
}

constexpr int16_t kConstraintClass = 367;

}  // namespace

void InstallFormulaObjectDescriber(FormulaObjectDescriber describer) {
  if (describer == nullptr) return;
  auto& describers = Describers();
  if (std::find(describers.begin(), describers.end(), describer) == describers.end())
    describers.push_back(describer);
}

void RemoveFormulaObjectDescriber(FormulaObjectDescriber describer) {
  std::erase(Describers(), describer);
}

bool DescribeFormulaObject(TLink& object, TFormulaObjectState& state) {
  for (FormulaObjectDescriber describer : Describers())
    if (describer(object, state)) return true;
  if (!object.IsMemberClass(kConstraintClass)) return false;
  // A constraint no layer describes: known by kind and number, its extent unknown.
  state = TFormulaObjectState();
  state.kind = FormulaObjectKind::kConstraint;
  state.number = object.GetIdentifier();
  state.hasAcceleration = false;
  state.hasDisplacement = false;
  state.hasDisplacementRate = false;
  if (object.IsMemberClass(TNamedLink::kClassID)) {
    const Str255& name = static_cast<TNamedLink&>(object).GetName();
    state.name.assign(name.Chars(), static_cast<size_t>(name.Length()));
  }
  return true;
}

TGeometryCallbacks& GeometryCallbacks() {
  static TGeometryCallbacks callbacks;
  return callbacks;
}

TFormulaWorld::ObjectKey TFormulaWorld::KeyOf(const FormulaObject& object) {
  const FormulaObjectKind kind =
      object.kind == FormulaObjectKind::kNumber ? FormulaObjectKind::kBody : object.kind;
  return {kind, object.number};
}

void TFormulaWorld::SetObject(const TFormulaObjectState& state) {
  objects_[{state.kind, state.number}] = state;
}

void TFormulaWorld::RemoveObject(FormulaObjectKind kind, int32_t number) {
  objects_.erase({kind, number});
}

const TFormulaObjectState* TFormulaWorld::FindState(FormulaObjectKind kind, int32_t number) const {
  const auto found = objects_.find({kind, number});
  return found != objects_.end() ? &found->second : nullptr;
}

void TFormulaWorld::SetInteraction(FormulaInteraction query, const FormulaObject& field,
                                   const FormulaObject& object, int32_t pair,
                                   const FormulaVector& value) {
  const ObjectKey fieldKey = KeyOf(field);
  const ObjectKey objectKey = KeyOf(object);
  interactions_[{query, fieldKey.first, fieldKey.second, objectKey.first, objectKey.second, pair}] =
      value;
}

void TFormulaWorld::SetParticipants(const FormulaObject& self, const FormulaObject& other) {
  participants_[0] = self;
  participants_[1] = other;
  participantCount_ = 2;
}

int32_t TFormulaWorld::Time(double& out) const {
  out = time_;
  return kFormulaOk;
}

int32_t TFormulaWorld::ExternalStep(double& out) const {
  out = externalStep_;
  return kFormulaOk;
}

int32_t TFormulaWorld::Participant(int32_t which, FormulaObject& out) const {
  if (which < 0 || which >= participantCount_) return kFormulaNoValue;
  out = participants_[which];
  return kFormulaOk;
}

int32_t TFormulaWorld::FindObject(std::string_view name, int32_t number, FormulaObject& out) const {
  FormulaObjectKind kind = FormulaObjectKind::kBody;
  if (number >= 0 && KindOfName(name, kind)) {
    if (FindState(kind, number) == nullptr) return kFormulaUnknownObject;
    out = FormulaObject{kind, number};
    return kFormulaOk;
  }
  for (const auto& [key, state] : objects_) {
    if (!SameName(state.name, name)) continue;
    out = FormulaObject{key.first, key.second};
    return kFormulaOk;
  }
  return kFormulaUnknownObject;
}

int32_t TFormulaWorld::Member(const FormulaObject& object, FormulaMember member,
                              FormulaVector& out) const {
  const ObjectKey key = KeyOf(object);
  const TFormulaObjectState* state = FindState(key.first, key.second);
  if (state == nullptr) return kFormulaUnknownObject;
  switch (member) {
    case FormulaMember::kPosition:
      out = state->position;
      return kFormulaOk;
    case FormulaMember::kVelocity:
      out = state->velocity;
      return kFormulaOk;
    case FormulaMember::kAcceleration:
      if (!state->hasAcceleration) return kFormulaNoValue;
      out = state->acceleration;
      return kFormulaOk;
    case FormulaMember::kDisplacement:
      if (!state->hasDisplacement) return kFormulaNoValue;
      out = state->displacement;
      return kFormulaOk;
    case FormulaMember::kDisplacementRate:
      if (!state->hasDisplacementRate) return kFormulaNoValue;
      out = state->displacementRate;
      return kFormulaOk;
    case FormulaMember::kMass:
    case FormulaMember::kCharge:
      if (!state->hasMass) return kFormulaNoValue;
      out = FormulaVector{member == FormulaMember::kMass ? state->mass : state->charge, 0.0, 0.0};
      return kFormulaOk;
  }
  return kFormulaNoValue;
}

int32_t TFormulaWorld::InputValue(int32_t number, double& out) const {
  const auto found = inputs_.find(number);
  if (found == inputs_.end()) return kFormulaUnknownObject;
  out = found->second;
  return kFormulaOk;
}

int32_t TFormulaWorld::GroupCentreOfMass(int32_t group, FormulaVector& out) const {
  const auto callback = GeometryCallbacks().groupCentreOfMass;
  return callback != nullptr ? callback(geometryContext_, group, out) : kFormulaNoValue;
}

int32_t TFormulaWorld::Section(const FormulaObject& body, const FormulaVector& direction,
                               double& out) const {
  const auto callback = GeometryCallbacks().section;
  return callback != nullptr ? callback(geometryContext_, body, direction, out) : kFormulaNoValue;
}

int32_t TFormulaWorld::Interaction(FormulaInteraction query, const FormulaObject& field,
                                   const FormulaObject& object, int32_t pair,
                                   FormulaVector& out) const {
  const ObjectKey fieldKey = KeyOf(field);
  const ObjectKey objectKey = KeyOf(object);
  if (FindState(objectKey.first, objectKey.second) == nullptr) return kFormulaUnknownObject;
  const auto found = interactions_.find(
      {query, fieldKey.first, fieldKey.second, objectKey.first, objectKey.second, pair});
  if (found != interactions_.end()) {
    out = found->second;
    return kFormulaOk;
  }
  // No record: no pairs to count; a force or a pair that was not recorded has no value.
  const bool counts = query == FormulaInteraction::kConstraintPairs ||
                      query == FormulaInteraction::kContactPairs ||
                      query == FormulaInteraction::kCollisionPairs;
  if (!counts) return kFormulaNoValue;
  out = FormulaVector{};
  return kFormulaOk;
}
