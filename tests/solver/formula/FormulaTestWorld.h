#pragma once
// A small world for formula tests: bodies, points, constraints, inputs and groups with fixed,
// distinct values, and interaction answers that encode their arguments, so a test can tell which
// object, field and pair a formula asked for.

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "solver/formula/FormulaEnvironment.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaLexer.h"

struct WorldBody {
  FormulaVector p, v, a;
  double mass = 1.0;
  double charge = 0.0;
  double section = 0.0;
};

class FormulaTestWorld : public FormulaEnvironment {
 public:
  FormulaTestWorld() {
    bodies[0] = WorldBody{};  // the background
    bodies[0].mass = 0.0;
    bodies[3] = WorldBody{{0.5, 1.5, 0.3}, {2.0, -1.0, 0.1}, {0.25, -9.81, 0.0}, 2.0, 1e-6, 0.4};
    bodies[5] = WorldBody{{-1.0, 2.5, 1.1}, {-0.5, 0.75, 0.0}, {0.0, 0.5, 0.0}, 3.0, -2e-6, 0.7};
    points[4] = WorldBody{{1.25, -0.75, 0.0}, {0.3, 0.4, 0.0}, {1.0, 2.0, 0.0}, 0.0, 0.0, 0.0};
    displacement[3] = {1.2, 0.0, 0.35};
    rate[3] = {-0.6, 0.0, 0.05};
    inputs[2] = 4.5;
    inputs[4] = 3.0;
    inputs[5] = 0.6;
    inputs[12] = -1.5;
    groups[0] = {0.1, 1.9, 0.0};
  }

  // With `publish`, the values kept in stable storage are offered for binding: the time, inputs,
  // body masses and constraint displacements.
  const double* Address(Slot slot, const FormulaObject& object,
                        FormulaMember member) const override {
    if (!publish) return nullptr;
    switch (slot) {
      case Slot::kTime:
        return &time;
      case Slot::kInput: {
        const auto it = inputs.find(object.number);
        return it == inputs.end() ? nullptr : &it->second;
      }
      case Slot::kMember:
        if (object.kind == FormulaObjectKind::kBody && member == FormulaMember::kMass) {
          const auto it = bodies.find(object.number);
          return it == bodies.end() ? nullptr : &it->second.mass;
        }
        if (object.kind == FormulaObjectKind::kConstraint &&
            member == FormulaMember::kDisplacement) {
          const auto it = displacement.find(object.number);
          return it == displacement.end() ? nullptr : it->second.data();
        }
        return nullptr;
    }
    return nullptr;
  }

  int32_t Time(double& out) const override {
    out = time;
    return kFormulaOk;
  }
  int32_t ExternalStep(double& out) const override {
    out = step;
    return kFormulaOk;
  }
  int32_t Participant(int32_t which, FormulaObject& out) const override {
    out = {FormulaObjectKind::kBody, which == 0 ? self : other};
    return kFormulaOk;
  }
  int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const override {
    for (const auto& [known, object] : names) {
      if (FormulaNameEquals(name, known) && number == -1) {
        out = object;
        return kFormulaOk;
      }
    }
    if (FormulaNameEquals(name, "Meter") && number >= 0) {
      out = {FormulaObjectKind::kOther, 1000 + number};
      return kFormulaOk;
    }
    return kFormulaUnknownObject;
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    if (object.kind == FormulaObjectKind::kConstraint) {
      const auto& table = member == FormulaMember::kDisplacement ? displacement : rate;
      if (member != FormulaMember::kDisplacement && member != FormulaMember::kDisplacementRate) {
        return kFormulaNoValue;
      }
      const auto it = table.find(object.number);
      if (it == table.end()) return kFormulaUnknownObject;
      out = {it->second[0], it->second[1], it->second[2]};
      return kFormulaOk;
    }
    const WorldBody* body = Find(object);
    if (body == nullptr) return kFormulaUnknownObject;
    switch (member) {
      case FormulaMember::kPosition:
        out = body->p;
        return kFormulaOk;
      case FormulaMember::kVelocity:
        out = body->v;
        return kFormulaOk;
      case FormulaMember::kAcceleration:
        out = body->a;
        return kFormulaOk;
      case FormulaMember::kMass:
        out = {body->mass, 0.0, 0.0};
        return kFormulaOk;
      case FormulaMember::kCharge:
        out = {body->charge, 0.0, 0.0};
        return kFormulaOk;
      default:
        return kFormulaNoValue;
    }
  }
  int32_t InputValue(int32_t number, double& out) const override {
    const auto it = inputs.find(number);
    if (it == inputs.end()) return kFormulaUnknownObject;
    out = it->second;
    return kFormulaOk;
  }
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override {
    const auto it = groups.find(group);
    if (it == groups.end()) return kFormulaUnknownObject;
    out = it->second;
    return kFormulaOk;
  }
  int32_t Section(const FormulaObject& body, const FormulaVector& direction,
                  double& out) const override {
    const WorldBody* b = Find(body);
    if (b == nullptr) return kFormulaUnknownObject;
    // Wider across the motion than along it, so the direction visibly matters.
    const double length = std::hypot(direction.x, direction.y);
    out = length == 0.0 ? b->section : b->section * (1.0 + std::fabs(direction.y) / length);
    return kFormulaOk;
  }
  // Counts are 3 + object number; vectors encode (query, field, object, pair) in x and y.
  int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair,
                      FormulaVector& out) const override {
    lastField = field;
    lastObject = object;
    const double q = static_cast<double>(query);
    out = {1000.0 * q + 100.0 * field.number + 10.0 * object.number + pair,
           -(1000.0 * q + 100.0 * field.number + 10.0 * object.number + pair), 0.0};
    if (query == FormulaInteraction::kConstraintPairs ||
        query == FormulaInteraction::kContactPairs ||
        query == FormulaInteraction::kCollisionPairs) {
      out = {3.0 + object.number + q, 0.0, 0.0};
    }
    // No contact at pair 5: the location comes from the collision.
    if (query == FormulaInteraction::kContactPair && pair == 5) out = {0.0, 0.0, 0.0};
    return kFormulaOk;
  }

  const WorldBody* Find(const FormulaObject& object) const {
    const auto& table = object.kind == FormulaObjectKind::kPoint ? points : bodies;
    if (object.kind != FormulaObjectKind::kBody && object.kind != FormulaObjectKind::kPoint) {
      return nullptr;
    }
    const auto it = table.find(object.number);
    return it == table.end() ? nullptr : &it->second;
  }

  std::map<int32_t, WorldBody> bodies;
  std::map<int32_t, WorldBody> points;
  std::map<int32_t, std::array<double, 3>> displacement;
  std::map<int32_t, std::array<double, 3>> rate;
  std::map<int32_t, double> inputs;
  std::map<int32_t, FormulaVector> groups;
  std::map<std::string, FormulaObject> names{{"Wheel", {FormulaObjectKind::kBody, 5}}};
  bool publish = false;
  double time = 1.25;
  double step = 0.02;
  int32_t self = 3;
  int32_t other = 5;
  mutable FormulaObject lastField;
  mutable FormulaObject lastObject;
};
