// How a resting pyramid's frame costs in accurate mode as it grows, and where that cost comes
// from: integrator steps per frame, evaluations of the equations of motion per frame, and
// factorisations per evaluation. The 100-row pyramid of the contact table takes seconds per
// frame; piles of 20 to 50 rows show the same behaviour (steps cut short, several pivots of the
// bounded solve per evaluation) in a fraction of the time. Then the 100-row pyramid's ten seconds
// at the settings a user gets, which must leave every box where it was put.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "solver/dynamics/Simulation.h"

namespace {

using namespace yb::dynamics;

constexpr double kFrame = 1.0 / 60;

// Boxes of 0.5 m, 2.5 cm apart in a row, on a wide fixed floor; friction 0.6 everywhere.
Model Pyramid(int rows) {
  Model model;
  auto box = [](double x, double y, double w, double h) {
    Body body;
    body.x = x;
    body.y = y;
    body.mass = 1;
    body.moment = (w * w + h * h) / 12;
    body.staticFriction = body.kineticFriction = 0.6;
    body.shape.kind = Shape::Kind::Rectangle;
    body.shape.w = w;
    body.shape.h = h;
    return body;
  };
  Body floor = box(0, -0.5, 200, 1);
  floor.anchored = 1;
  model.AddBody(floor);
  std::vector<int> boxes;
  const double size = 0.5, gap = 0.025;
  for (int row = 0; row < rows; ++row)
    for (int k = 0; k < rows - row; ++k)
      boxes.push_back(model.AddBody(
          box((k - (rows - row - 1) / 2.0) * (size + gap), size / 2 + row * size, size, size)));
  model.AddField(MakeLineGravity(boxes, 9.81));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  return model;
}

// One frame per iteration, after the first frames (in which the pile's contacts are met and its
// forces found) have run untimed.
void AccuratePyramidFrame(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  settings.animationStep = kFrame;
  Simulation sim(Pyramid(rows), settings);
  constexpr int kSettleFrames = 2;
  int frame = kSettleFrames;
  sim.AdvanceTo(frame * kFrame);
  const RunStatistics before = sim.Statistics();
  const int64_t factorisations = sim.GetMechanics().Factorisations();
  for (auto _ : state)
    sim.AdvanceTo(++frame * kFrame);
  const RunStatistics& after = sim.Statistics();
  const double evaluations = static_cast<double>(after.evaluations - before.evaluations);
  using benchmark::Counter;
  state.counters["steps"] =
      Counter(static_cast<double>(after.accepted - before.accepted), Counter::kAvgIterations);
  state.counters["rejected"] =
      Counter(static_cast<double>(after.rejected - before.rejected), Counter::kAvgIterations);
  state.counters["evaluations"] = Counter(evaluations, Counter::kAvgIterations);
  // Every factorisation counts, large or small: a resting pile has next to no impacts, whose
  // factorisations are the small ones.
  state.counters["factorisations/eval"] =
      evaluations > 0
          ? static_cast<double>(sim.GetMechanics().Factorisations() - factorisations) / evaluations
          : 0.0;
}
BENCHMARK(AccuratePyramidFrame)
    ->Arg(20)
    ->Arg(36)
    ->Arg(50)
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

// The first evaluation of a pyramid, from no forces at all (as the start of a run makes it), and
// the evaluation after it at the same state, which starts from the forces and bounds the first
// found: the goal is a first one that costs a small multiple of a warm one. The first pays for
// planning the pile's factorisation and for the friction rounds and pivots that find which
// friction is at its bound; the counters tell how many of each it took.
void AccuratePyramidEvaluation(benchmark::State& state, bool warm) {
  const Model model = Pyramid(static_cast<int>(state.range(0)));
  int64_t factorisations = 0, pivots = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mechanics = std::make_unique<Mechanics>(model);
    const Eigen::VectorXd start = mechanics->State();
    Eigen::VectorXd derivative;
    if (warm) mechanics->Derivative(0.0, start, derivative);
    factorisations = mechanics->Factorisations();
    pivots = mechanics->Pivots();
    state.ResumeTiming();
    mechanics->Derivative(0.0, start, derivative);
    state.PauseTiming();
    benchmark::DoNotOptimize(derivative[0]);
    factorisations = mechanics->Factorisations() - factorisations;
    pivots = mechanics->Pivots() - pivots;
    mechanics.reset();
    state.ResumeTiming();
  }
  state.counters["factorisations"] = static_cast<double>(factorisations);
  state.counters["pivots"] = static_cast<double>(pivots);
}
void AccuratePyramidFirstEvaluation(benchmark::State& state) {
  AccuratePyramidEvaluation(state, false);
}
void AccuratePyramidWarmEvaluation(benchmark::State& state) {
  AccuratePyramidEvaluation(state, true);
}
BENCHMARK(AccuratePyramidFirstEvaluation)
    ->Arg(36)
    ->Arg(60)
    ->Arg(100)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AccuratePyramidWarmEvaluation)
    ->Arg(36)
    ->Arg(60)
    ->Arg(100)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// The start of an accurate run of a pyramid, as a user's run makes it: the engine built, the
// state projected onto the contacts (positions, then velocities) and the first evaluation, from
// no forces at all. It is all the run pays before its first step, and for a large pile it costs
// as much as several frames: the factorisation's plan, and the rounds and pivots that find
// which friction is at its bound.
void AccuratePyramidStart(benchmark::State& state) {
  const Model model = Pyramid(static_cast<int>(state.range(0)));
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  settings.animationStep = kFrame;
  int64_t factorisations = 0, pivots = 0;
  for (auto _ : state) {
    auto sim = std::make_unique<Simulation>(model, settings);
    factorisations = sim->GetMechanics().Factorisations();
    pivots = sim->GetMechanics().Pivots();
    state.PauseTiming();
    sim.reset();
    state.ResumeTiming();
  }
  state.counters["factorisations"] = static_cast<double>(factorisations);
  state.counters["pivots"] = static_cast<double>(pivots);
}
BENCHMARK(AccuratePyramidStart)->Arg(36)->Arg(100)->Iterations(2)->Unit(benchmark::kMillisecond);

// How a pile stood: the furthest any box was from where it was put in any frame, and after the
// last one, and the frame from which the whole pile slept (-1 when it was awake at the end).
struct Standing {
  double furthest = 0;
  double atTheEnd = 0;
  long asleepFrom = -1;
};

// The pile's frames one by one, as the program runs them; a run that stops throws.
Standing RunFrames(const Model& model, const RunSettings& settings, double seconds) {
  Simulation sim(model, settings);
  Standing standing;
  const long frames = std::lround(seconds / settings.animationStep);
  for (long frame = 1; frame <= frames; ++frame) {
    sim.AdvanceTo(static_cast<double>(frame) * settings.animationStep);
    const Mechanics& mechanics = sim.GetMechanics();
    bool asleep = true;
    standing.atTheEnd = 0;
    // Every body but the background and the floor, which are held where they are.
    for (int box = 0; box < static_cast<int>(model.bodies.size()); ++box) {
      if (model.bodies[box].anchored != 0) continue;
      const BodyState s = mechanics.Body(box);
      const Body& start = model.bodies[box];
      standing.atTheEnd = std::max(
          {standing.atTheEnd, std::abs(s.x - start.x), std::abs(s.y - start.y), std::abs(s.r)});
      asleep = asleep && mechanics.Asleep(box);
    }
    standing.furthest = std::max(standing.furthest, standing.atTheEnd);
    if (!asleep)
      standing.asleepFrom = -1;
    else if (standing.asleepFrom < 0)
      standing.asleepFrom = frame;
  }
  return standing;
}

// The tests stand a pile of fifty rows in accurate mode; one of a hundred (5,050 boxes, 30,000
// contact rows) costs minutes of a checked build, and stands here instead: ten seconds at the
// default settings. A box more than a nanometre from where it was put after them fails the run.
// On its way to sleep the pile sags by about that much (the compliance of its contacts under
// the weight of a hundred rows), which the furthest distance tells. The frames before the pile
// sleeps are nearly all its time.
void AccuratePyramidStandsTenSeconds(benchmark::State& state) {
  constexpr double kSeconds = 10, kAllowed = 1e-9;
  const Model model = Pyramid(static_cast<int>(state.range(0)));
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  Standing standing;
  for (auto _ : state) {
    try {
      standing = RunFrames(model, settings, kSeconds);
    } catch (const DynamicsError& error) {
      state.SkipWithError(("the run stopped: " + error.message).c_str());
      break;
    }
  }
  state.counters["furthest (m)"] = standing.furthest;
  state.counters["at the end (m)"] = standing.atTheEnd;
  state.counters["asleep from frame"] = static_cast<double>(standing.asleepFrom);
  if (standing.atTheEnd > kAllowed)
    state.SkipWithError("a box ended more than a nanometre from where it was put");
}
BENCHMARK(AccuratePyramidStandsTenSeconds)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
