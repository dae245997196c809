#pragma once
// Writes native object streams byte for byte as the world and its objects lay them out, for the
// stream tests, the fuzz seeds and the benchmark: the 8-byte header, then per object its 16-bit
// identifier, its blocks (16-bit code, 32-bit length, contents) and the code -1, in host byte
// order, one pad byte after every item of odd length.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "solver/dynamics/RunSettings.h"

namespace yb::stream::testing {

// A formula item: a constant or a text.
struct F {
  F(double v) : constant(true), value(v) {}  // NOLINT: constants convert implicitly
  F(const char* t) : constant(false), text(t) {}  // NOLINT
  F(std::string t) : constant(false), text(std::move(t)) {}  // NOLINT
  bool constant;
  double value = 0;
  std::string text;
};

struct GoalSpec {
  uint8_t type, marking, component;
  F value;
};

class Bytes {
 public:
  std::vector<uint8_t> data;

  Bytes& Code(int16_t v) { return Raw(&v, 2); }
  Bytes& Long(int32_t v) { return Raw(&v, 4); }
  Bytes& Double(double v) { return Raw(&v, 8); }
  Bytes& String(std::string_view s) {
    Code(static_cast<int16_t>(s.size()));
    Raw(s.data(), s.size());
    if (s.size() % 2 != 0) data.push_back(0);
    return *this;
  }
  Bytes& Formula(const F& f) {
    if (f.constant) return Code(1).Double(f.value);
    return Code(0).String(f.text);
  }
  Bytes& Raw(const void* p, size_t n) {
    // Grown, then copied into: GCC 12's overflow check misreads a range insert here.
    const size_t at = data.size();
    data.resize(at + n);
    if (n != 0) std::memcpy(data.data() + at, p, n);
    return *this;
  }
};

class StreamBuilder {
 public:
  StreamBuilder() { out_.Raw("ZodA", 4).String("3"); }

  // Objects and blocks.
  StreamBuilder& Object(int16_t id) {
    EndObject();
    out_.Code(id);
    open_ = true;
    return *this;
  }
  StreamBuilder& Block(int16_t code, const Bytes& contents) {
    out_.Code(code).Long(static_cast<int32_t>(contents.data.size()));
    out_.Raw(contents.data.data(), contents.data.size());
    return *this;
  }
  std::vector<uint8_t> Finish() {
    EndObject();
    return out_.data;
  }

  // The blocks the solver reads. A body record: position, velocity, mass, moment, centre of
  // mass; frictions, elasticity, charge and the anchor formulas as given.
  StreamBuilder& Body(int16_t id, F x, F y, F r, double mass, double moment, double comX = 0,
                      double comY = 0, F vx = 0.0, F vy = 0.0, F vr = 0.0, F charge = 0.0,
                      int16_t anchored = 0) {
    Object(id);
    Bytes b;
    for (const F& f : {x, y, r, vx, vy, vr, F(mass), F(moment), F(comX), F(comY), F(0.3),
                       F(0.2), F(0.5), charge, F(0.0), F(0.0)})
      b.Formula(f);
    b.Code(0).Code(anchored);
    return Block(1200, b);
  }
  StreamBuilder& CircleSize(double diameter) {
    return Block(1202, Bytes().Double(diameter).Double(diameter));
  }
  StreamBuilder& RectangleSize(double w, double h) { return Block(1203, Bytes().Double(w).Double(h)); }
  StreamBuilder& Point(int16_t id, int16_t body, F x, F y, F r = 0.0, int16_t code = 1500) {
    Object(id);
    return Block(code, Bytes().Code(body).Formula(x).Formula(y).Formula(r));
  }
  StreamBuilder& Table(int16_t id, int16_t columns, const std::vector<double>& values) {
    Object(id);
    Bytes b;
    b.Code(columns).Code(static_cast<int16_t>(values.size() / static_cast<size_t>(columns)));
    for (double v : values)
      b.Double(v);
    return Block(1701, b);
  }
  // A constraint record: related-object answer (the frame's body), the primary object's
  // quantity, the activation, the condition mode, the related object, the second quantity, the
  // attached objects and the goals.
  StreamBuilder& Constraint(int16_t id, std::vector<int16_t> attached, std::vector<GoalSpec> goals,
                            int16_t frame = -1, F primary = 0.0, F activation = 1.0,
                            int16_t related = -1) {
    Object(id);
    Bytes b;
    b.Code(frame).Formula(primary).Formula(activation).Code(0).Code(related).Formula(0.0);
    b.Code(static_cast<int16_t>(attached.size()));
    for (int16_t a : attached)
      b.Code(a);
    b.Code(static_cast<int16_t>(goals.size()));
    for (const GoalSpec& g : goals)
      b.Code(g.type).Code(g.marking).Code(g.component).Formula(g.value);
    return Block(1310, b);
  }
  // A group: kind (1 - includes) * 3 + mode, the reference, the members.
  StreamBuilder& Group(int16_t id, int16_t mode, bool includes, int16_t reference,
                       std::vector<int16_t> members) {
    Object(id);
    Bytes b;
    b.Code(static_cast<int16_t>((includes ? 0 : 3) + mode)).Code(reference);
    b.Code(static_cast<int16_t>(members.size()));
    for (int16_t m : members)
      b.Code(m);
    return Block(1800, b);
  }
  // Line gravity on every body: its group (relative to the ground body, excluding nothing) and
  // its field constraint.
  StreamBuilder& LineGravity(int16_t groupId, int16_t fieldId, double g) {
    Group(groupId, 0, false, 0, {});
    return Constraint(fieldId, {}, {{0, 0, 1, F("- self.mass * (" + std::to_string(g) + ")")}}, 0,
                      0.0, 1.0, groupId);
  }
  StreamBuilder& Elements(std::vector<F> items) {
    Bytes b;
    b.Code(static_cast<int16_t>(items.size()));
    for (const F& f : items)
      b.Formula(f);
    return Block(1600, b);
  }
  // The run settings the engine object writes (block 1900), every field as given.
  StreamBuilder& RunSettings(const dynamics::RunSettings& r) {
    Bytes b;
    b.Code(static_cast<int16_t>(r.integrator)).Code(static_cast<int16_t>(r.mode));
    b.Code(r.variableStep).Code(r.autoAnimationStep).Double(r.animationStep).Code(r.stepsPerFrame);
    b.Code(r.autoIntegratorError).Double(r.integratorError);
    b.Code(r.autoOverlapError).Double(r.overlapError);
    b.Code(r.autoAssemblyError).Double(r.assemblyError);
    b.Code(r.autoSignificantDigits).Code(r.significantDigits);
    b.Code(r.warnInaccurate).Code(r.warnOverlap).Code(r.warnRedundant).Code(r.warnInconsistent);
    return Block(1900, b);
  }
  // The run settings the engine object writes (block 1900), with the errors given.
  StreamBuilder& RunSettings(int16_t integrator, int16_t mode, bool variable, double step,
                             int16_t stepsPerFrame, double integratorError, double assemblyError,
                             int16_t warnRedundant = 0, int16_t warnInconsistent = 1) {
    Bytes b;
    b.Code(integrator).Code(mode).Code(variable).Code(0).Double(step).Code(stepsPerFrame);
    b.Code(0).Double(integratorError).Code(1).Double(1e-3).Code(0).Double(assemblyError);
    b.Code(1).Code(6).Code(0).Code(1).Code(warnRedundant).Code(warnInconsistent);
    return Block(1900, b);
  }

 private:
  void EndObject() {
    if (open_) out_.Code(-1);
    open_ = false;
  }
  Bytes out_;
  bool open_ = false;
};

}  // namespace yb::stream::testing
