// Side by side: each reference mechanism in our solver (accurate mode, fast mode and settings
// matched to the peers' errors) and in the peer engines,
// at their default settings and at a smaller step, one after another in one process. Prints for
// each engine and scene the error against the reference and the processor time per simulated
// second (the shortest of a few runs).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/mechanics/Peers.h"
#include "bench/mechanics/StreamRoad.h"
#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics::bench {

void Print(const Result& r) {
  std::printf("%-14s %-26s %-20s %12.3e %14.3e %s\n", r.scene.c_str(), r.engine.c_str(),
              r.quantity.c_str(), r.error, r.secondsPerSecond, r.note.c_str());
  std::fflush(stdout);
}

using Probe = std::function<double(const Mechanics&, double)>;

// Runs ours frame by frame; the probe sees the mechanics after every frame and keeps the worst
// error.
Result RunOurs(const std::string& scene, const std::string& quantity, const Model& model,
               double duration, const Probe& probe, const RunSettings& settings,
               const std::string& label) {
  Result r;
  r.scene = scene;
  r.engine = label;
  r.quantity = quantity;
  try {
    const double spent = ShortestTime([&] {
      r.error = 0;
      Simulation sim(model, settings);
      const double frame = sim.Settings().animationStep;
      for (int i = 1; i * frame <= duration + 1e-9; ++i) {
        sim.AdvanceTo(i * frame);
        r.error = std::max(r.error, probe(sim.GetMechanics(), sim.Time()));
      }
      r.note = std::to_string(sim.Statistics().accepted) + " steps";
    });
    r.secondsPerSecond = spent / duration;
  } catch (const DynamicsError& e) {
    r.note = "failed: " + e.message;
  }
  return r;
}

// With --sweep, ours at a range of integrator errors and animation steps instead of the table,
// to choose the settings that match the peers' accuracy.
bool sweep = false;
// With --scene=NAME, only the scenes whose name begins with NAME.
std::string only;
bool Wanted(const std::string& scene) {
  return scene.compare(0, only.size(), only) == 0;
}

void RunSweep(const std::string& scene, const std::string& quantity, const Model& model,
              double duration, const Probe& probe) {
  for (double frame : {1.0 / 30, 1.0 / 15, 0.1, 0.2})
    for (double error : {1e-2, 1e-3, 1e-4}) {
      RunSettings settings;
      settings.SetRunMode(RunMode::Custom);
      settings.autoIntegratorError = false;
      settings.integratorError = error;
      settings.animationStep = frame;
      char label[64];
      std::snprintf(label, sizeof label, "KM %.0e, frame %.3g s", error, frame);
      Print(RunOurs(scene, quantity, model, duration, probe, settings, label));
    }
  for (double frame : {1.0 / 30, 1.0 / 60, 1.0 / 120}) {
    RunSettings settings;
    settings.SetRunMode(RunMode::Fast);
    settings.animationStep = frame;
    for (double assembly : {1e-8, 1e-4}) {
      settings.autoAssemblyError = assembly == 1e-8;
      settings.assemblyError = assembly;
      char label[64];
      std::snprintf(label, sizeof label, "fast %.3g s, asm %.0e", frame, assembly);
      Print(RunOurs(scene, quantity, model, duration, probe, settings, label));
    }
  }
}

// A custom setting chosen from the sweep so that our error stays at or below a peer's at its
// defaults: Kutta-Merson under the integrator error, frames of the given length, and an
// assembly error far below any peer's joint error.
struct Matched {
  double error, frame;
};

RunSettings MatchedSettings(const Matched& m) {
  RunSettings settings;
  settings.SetRunMode(RunMode::Custom);
  settings.autoIntegratorError = false;
  settings.integratorError = m.error;
  settings.animationStep = m.frame;
  settings.autoAssemblyError = false;
  settings.assemblyError = 1e-10;
  return settings;
}

void PrintMatched(const std::string& scene, const std::string& quantity, const Model& model,
                  double duration, const Probe& probe, const std::vector<Matched>& matched) {
  for (const Matched& m : matched) {
    char label[64];
    std::snprintf(label, sizeof label, "ours, KM %.0e, %.3g s", m.error, m.frame);
    Print(RunOurs(scene, quantity, model, duration, probe, MatchedSettings(m), label));
  }
}

// Ours in accurate mode, with a custom integrator error of 1e-6, in fast mode and at the
// settings matched to the peers' accuracy, then every peer run.
void RunAll(const std::string& scene, const std::string& quantity, const Model& model,
            double duration, const Probe& probe, PeerProbe peerProbe,
            const std::vector<Matched>& matched) {
  if (sweep) {
    RunSweep(scene, quantity, model, duration, probe);
    return;
  }
  Print(RunOurs(scene, quantity, model, duration, probe, RunSettings{}, "ours, accurate"));
  RunSettings custom;
  custom.SetRunMode(RunMode::Custom);
  custom.autoIntegratorError = false;
  custom.integratorError = 1e-6;
  Print(RunOurs(scene, quantity, model, duration, probe, custom, "ours, error 1e-6"));
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  fast.animationStep = 1.0 / 60;
  Print(RunOurs(scene, quantity, model, duration, probe, fast, "ours, fast 1/60 s"));
  PrintMatched(scene, quantity, model, duration, probe, matched);
  for (const PeerRun& run : PeerRuns())
    Print(RunPeer(run, scene, quantity, model, duration, peerProbe));
}

// The scene handed over as the world's stream and run into a history block, in accurate mode.
void RunRoad(const std::string& scene, const Model& model, const StreamExtras& extras,
             double duration) {
  if (!sweep) Print(RunStreamRoad(scene, model, extras, duration, RunSettings{}));
}

double Energy(const Mechanics& m, double gravity) {
  double e = m.KineticEnergy();
  for (int i = 1; i < m.BodyCount(); ++i)
    e += gravity * m.GetModel().bodies[i].mass * m.Body(i).y;
  return e;
}

}  // namespace yb::dynamics::bench

// Every scene in every engine, one after another.
void RunTable() {
  using namespace yb::dynamics;
  using namespace yb::dynamics::bench;
  namespace sc = yb::dynamics::scenes;
  std::printf("%-14s %-26s %-20s %12s %14s\n", "scene", "engine", "quantity", "error",
              "s per sim s");
  const double g = sc::kGravity;

  for (double degrees : {10.0, 60.0}) {
    const double amplitude = degrees * std::numbers::pi / 180;
    const std::string name = "pendulum " + std::to_string(static_cast<int>(degrees));
    if (!Wanted(name)) continue;
    sc::Pendulum p(amplitude);
    const double e0 = Energy(Mechanics(p.model), g);
    // The first setting matches the game engines' error, the second MuJoCo's at its default;
    // at the small swing the third matches its fourth-order runs (at the large swing accurate
    // mode does).
    std::vector<Matched> matched{{1e-1, 0.2}, {1e-2, 0.1}};
    if (degrees < 45) matched.push_back({1e-15, 0.1});
    RunAll(
        name, "energy drift / mgL", p.model, 60,
        [&](const Mechanics& m, double) { return std::abs(Energy(m, g) - e0) / g; },
        PeerProbe::Energy, matched);
    RunRoad(name, p.model, {g, {}}, 60);
  }
  if (Wanted("double pend.")) {
    sc::DoublePendulum d;
    const double e0 = Energy(Mechanics(d.model), g);
    // The first setting matches the game engines' error, the second MuJoCo's.
    RunAll("double pend.", "energy drift / mgL", d.model, 60,
           [&](const Mechanics& m, double) { return std::abs(Energy(m, g) - e0) / g; },
           PeerProbe::Energy, {{1e-1, 0.2}, {1e-2, 0.2}});
    RunRoad("double pend.", d.model, {g, {}}, 60);
  }
  if (Wanted("four-bar motor")) {
    sc::FourBar f(true);
    auto probe = [&](const Mechanics& m, double) {
      double closure = 0;
      for (auto [a, b] : f.joints)
        closure = std::max(closure, (m.PointPosition(a) - m.PointPosition(b)).norm());
      const double rocker = std::abs(std::remainder(
          m.Body(f.rocker).r - sc::FourBar::RockerAngle(m.Body(f.crank).r), 2 * std::numbers::pi));
      return std::max(closure, rocker);
    };
    RunAll("four-bar motor", "closure, rocker (m|rad)", f.model, 10, probe, PeerProbe::FourBar,
           {{1e-1, 0.2}});
    RunRoad("four-bar motor", f.model, {}, 10);
  }
  if (Wanted("slider-crank")) {
    sc::SliderCrank s;
    auto probe = [&](const Mechanics& m, double) {
      return std::abs(m.Body(s.slider).x - sc::SliderCrank::SliderPosition(m.Body(s.crank).r));
    };
    RunAll("slider-crank", "slider position (m)", s.model, 10, probe, PeerProbe::SliderCrank,
           {{1e-1, 0.2}});
    RunRoad("slider-crank", s.model, {g, {}}, 10);
  }
  if (Wanted("chain 100")) {
    sc::Chain c(100);
    auto probe = [&](const Mechanics& m, double) {
      double worst = 0;
      for (auto [a, b] : c.joints)
        worst = std::max(worst, (m.PointPosition(a) - m.PointPosition(b)).norm());
      return worst;
    };
    // The joints hold to the assembly error at any integrator error: the loosest setting that
    // still runs keeps them closer than any peer does.
    RunAll("chain 100", "joint separation (m)", c.model, 2, probe, PeerProbe::Joints,
           {{1e-1, 0.2}});
    RunRoad("chain 100", c.model, {g, {}}, 2);
  }
  for (double damping : {0.0, 2.0}) {
    sc::SpringMass s(damping);
    const std::string name = damping > 0 ? "spring damped" : "spring";
    if (!Wanted(name)) continue;
    auto probe = [&](const Mechanics& m, double t) {
      return std::abs(m.Body(s.mass).x - sc::SpringMass::kRest -
                      sc::SpringMass::Displacement(damping, t)) /
             sc::SpringMass::kStretch;
    };
    if (sweep) {
      RunSweep(name, "displacement / amplitude", s.model, 10, probe);
      continue;
    }
    Print(RunOurs(name, "displacement / amplitude", s.model, 10, probe, RunSettings{},
                  "ours, accurate"));
    RunSettings custom;
    custom.SetRunMode(RunMode::Custom);
    custom.autoIntegratorError = false;
    custom.integratorError = 1e-6;
    Print(
        RunOurs(name, "displacement / amplitude", s.model, 10, probe, custom, "ours, error 1e-6"));
    // The undamped spring: the first setting matches the game engines' error, the second
    // MuJoCo's at its default; the damped one meets them all at once. The last matches MuJoCo's
    // fourth-order runs.
    const std::vector<Matched> matched =
        damping > 0 ? std::vector<Matched>{{1e-2, 0.1}, {1e-15, 1.0 / 30}}
                    : std::vector<Matched>{{1e-2, 1.0 / 15}, {1e-2, 1.0 / 30}, {1e-15, 1.0 / 30}};
    PrintMatched(name, "displacement / amplitude", s.model, 10, probe, matched);
    for (const PeerRun& run : PeerRuns())
      Print(RunSpringPeer(run, name, damping, 10));
    // The spring's and the damper's laws travel as formula texts.
    StreamExtras extras;
    char law[160];
    std::snprintf(law, sizeof law, "-(%.17g)*(Constraint[3000].dp.x-(%.17g))",
                  sc::SpringMass::kStiffness, sc::SpringMass::kRest);
    extras.laws[0] = law;
    std::snprintf(law, sizeof law, "-(%.17g)*Constraint[3001].dv.x", damping);
    if (damping > 0) extras.laws[1] = law;
    RunRoad(name, s.model, extras, 10);
  }
  if (Wanted("gear train")) {
    sc::GearTrain train;
    auto probe = [&](const Mechanics& m, double) {
      const double w1 = m.Body(train.gear1).vr, w2 = m.Body(train.gear2).vr;
      const double w3 = m.Body(train.gear3).vr, v = m.Body(train.rack).vx;
      return std::max({std::abs(w2 / w1 + train.r1 / train.r2),
                       std::abs(w3 / w2 + train.r2 / train.r3), std::abs(v / (w3 * train.r3) - 1)});
    };
    RunAll("gear train", "speed ratios", train.model, 10, probe, PeerProbe::GearRatios,
           {{1e-2, 0.2}});
    // The world's stream has no rack: the road runs the train's gears and motor alone.
    Model gears = train.model;
    std::erase_if(gears.constraints, [](const Constraint& c) {
      return c.kind == ConstraintKind::Rack || c.kind == ConstraintKind::Slot ||
             c.kind == ConstraintKind::Force;
    });
    RunRoad("gears alone", gears, {}, 10);
  }
}

int main(int argc, char** argv) {
  // Every engine's heap keeps what was freed before it. By default the heap is given back as
  // soon as a little is free at its top, and its thresholds rise only once a large array has
  // been freed, so the engines of the rows run before that grew their heap anew at every run,
  // those after did not, and a peer's time moved by up to 3.4 times with where its row stood.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  // "--no-table" leaves out the side-by-side table and runs only the scaling benchmark;
  // "--scene=NAME" runs the table's scenes whose name begins with NAME.
  bool table = true;
  for (int i = 1; i < argc; ++i) {
    table = table && std::string(argv[i]) != "--no-table";
    const std::string option = argv[i];
    yb::dynamics::bench::sweep = yb::dynamics::bench::sweep || option == "--sweep";
    if (option.rfind("--scene=", 0) == 0) yb::dynamics::bench::only = option.substr(8);
  }
  if (table) RunTable();
  // Then how the cost of one evaluation grows with the size of the mechanism.
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
