#include "bench/mechanics/StreamRoad.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "solver/dynamics/Simulation.h"
#include "solver/engine/EngineEntry.h"
#include "tests/solver/stream/StreamBuilder.h"

namespace yb::dynamics::bench {

namespace {

using stream::testing::Bytes;
using stream::testing::F;
using stream::testing::GoalSpec;
using stream::testing::StreamBuilder;

int16_t BodyId(int body) {
  return static_cast<int16_t>(body == kBackground ? 0 : 10 + body);
}

int16_t PointId(int point) {
  return static_cast<int16_t>(1000 + point);
}

double ConstantOf(const Value& value) {
  if (!value.IsConstant()) std::fprintf(stderr, "a scene value is a program; give its text\n");
  return value.Constant();
}

// Two gears in mesh travel as their contact points, one on each gear at the place where they
// touch, so that the reader finds the radii from them; the record holds a position goal on y.
void GearContacts(StreamBuilder& s, const Model& model, const Constraint& gear, int16_t id) {
  const Point& centreA = model.points[static_cast<size_t>(gear.points[0])];
  const Point& centreB = model.points[static_cast<size_t>(gear.points[1])];
  const Body& a = model.bodies[static_cast<size_t>(centreA.body)];
  const Body& b = model.bodies[static_cast<size_t>(centreB.body)];
  const double dx = b.x - a.x, dy = b.y - a.y, distance = std::hypot(dx, dy);
  if (gear.internal) std::fprintf(stderr, "an internal gear is not written; left out\n");
  const double radiusB = distance / (1 + gear.ratio), radiusA = gear.ratio * radiusB;
  // The contact in each gear's own frame: towards the other gear, turned back by its rotation.
  auto local = [](const Body& body, double wx, double wy) {
    const double c = std::cos(body.r), sn = std::sin(body.r);
    return std::pair<double, double>(c * wx + sn * wy, -sn * wx + c * wy);
  };
  const auto [ax, ay] = local(a, radiusA * dx / distance, radiusA * dy / distance);
  const auto [bx, by] = local(b, -radiusB * dx / distance, -radiusB * dy / distance);
  const int16_t first = static_cast<int16_t>(2000 + 2 * (id - 3000));
  const int16_t second = static_cast<int16_t>(first + 1);
  s.Point(first, BodyId(centreA.body), ax, ay, 0.0, 1502);
  s.Point(second, BodyId(centreB.body), bx, by, 0.0, 1502);
  s.Constraint(id, {first, second},
               {{static_cast<uint8_t>(GoalType::Position), kEquality,
                 static_cast<uint8_t>(Component::Y), F(0.0)}});
}

}  // namespace

std::vector<uint8_t> StreamOf(const Model& model, const RunSettings& settings,
                              const StreamExtras& extras) {
  StreamBuilder s;
  for (size_t b = 1; b < model.bodies.size(); ++b) {
    const Body& body = model.bodies[b];
    s.Body(BodyId(static_cast<int>(b)), body.x, body.y, body.r, body.mass, body.moment, body.comX,
           body.comY, body.vx, body.vy, body.vr, body.charge, body.anchored);
  }
  for (size_t p = 0; p < model.points.size(); ++p) {
    const Point& point = model.points[p];
    s.Point(PointId(static_cast<int>(p)), BodyId(point.body), point.x, point.y, point.r);
  }
  for (size_t c = 0; c < model.constraints.size(); ++c) {
    const Constraint& constraint = model.constraints[c];
    if (constraint.kind == ConstraintKind::Gear) {
      GearContacts(s, model, constraint, static_cast<int16_t>(3000 + c));
      continue;
    }
    const auto law = extras.laws.find(static_cast<int>(c));
    std::vector<GoalSpec> goals;
    for (const Goal& goal : constraint.goals) {
      const F value = law != extras.laws.end() ? F(law->second) : F(ConstantOf(goal.value));
      goals.push_back({static_cast<uint8_t>(goal.type), goal.marking,
                       static_cast<uint8_t>(goal.component), value});
    }
    std::vector<int16_t> attached;
    for (int p : constraint.points)
      attached.push_back(PointId(p));
    s.Constraint(static_cast<int16_t>(3000 + c), attached, goals);
  }
  if (extras.gravity != 0) s.LineGravity(4000, 4001, extras.gravity);
  s.Object(4500).RunSettings(settings);
  return s.Finish();
}

Result RunStreamRoad(const std::string& scene, const Model& model, const StreamExtras& extras,
                     double duration, const RunSettings& settings) {
  Result r;
  r.scene = scene;
  r.engine = "ours, stream road";
  r.quantity = "frames vs in code";
  const int bodies = static_cast<int>(model.bodies.size()) - 1;
  const int frames = static_cast<int>(std::floor(duration / settings.animationStep + 1e-9)) + 1;
  std::vector<double> code(static_cast<size_t>(frames) * 3 * static_cast<size_t>(bodies));
  double codeTime = 0, roadTime = 0;
  try {
    codeTime = ShortestTime([&] {
      Simulation sim(model, settings);
      for (int f = 0; f < frames; ++f) {
        if (f > 0) sim.AdvanceTo(f * settings.animationStep);
        for (int b = 0; b < bodies; ++b) {
          const BodyState s = sim.GetMechanics().Body(b + 1);
          double* out = &code[(static_cast<size_t>(f) * bodies + b) * 3];
          out[0] = s.x, out[1] = s.y, out[2] = s.r;
        }
      }
    });
  } catch (const DynamicsError& e) {
    r.note = "failed in code: " + e.message;
    return r;
  }
  const std::vector<uint8_t> bytes = StreamOf(model, settings, extras);
  const int32_t values = 8 * bodies;
  std::vector<uint8_t> history(kHistoryHeaderBytes + static_cast<size_t>(frames) * values * 8);
  int32_t result = kEngineOk;
  roadTime = ShortestTime([&] {
    std::fill(history.begin(), history.end(), 0);
    std::memcpy(history.data() + kHistoryWordValuesPerFrame * 4, &values, 4);
    init_engine();
    EngineWorld* world = nullptr;
    new_world(&world);
    result = read_world(world, bytes.data(), static_cast<int32_t>(bytes.size()));
    const uint8_t noInputs[kInputRecordBytes] = {};
    int32_t status[kStatusWords];
    for (int f = 0; f < frames && result == kEngineOk; ++f)
      result = run_world(world, noInputs, kInputRecordBytes, history.data(),
                         static_cast<int32_t>(history.size()), nullptr, status);
    free_world(world);
  });
  if (result != kEngineOk) {
    r.note = "failed on the road: library code " + std::to_string(result);
    return r;
  }
  for (int f = 0; f < frames; ++f)
    for (int b = 0; b < bodies; ++b)
      for (int v = 0; v < 3; ++v) {
        double recorded;
        std::memcpy(&recorded,
                    history.data() + kHistoryHeaderBytes +
                        (static_cast<size_t>(f) * values + static_cast<size_t>(b) * 8 + v) * 8,
                    8);
        r.error = std::max(
            r.error, std::abs(recorded - code[(static_cast<size_t>(f) * bodies + b) * 3 + v]));
      }
  r.secondsPerSecond = roadTime / duration;
  char note[64];
  std::snprintf(note, sizeof note, "road / code %.3f", roadTime / codeTime);
  r.note = note;
  return r;
}

}  // namespace yb::dynamics::bench
