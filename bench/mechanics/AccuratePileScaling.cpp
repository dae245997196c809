// How a resting pyramid's frame costs in accurate mode as it grows, and where that cost comes
// from: integrator steps per frame, evaluations of the equations of motion per frame, and
// factorisations per evaluation. The 100-row pyramid of the contact table takes seconds per
// frame; piles of 20 to 50 rows show the same behaviour (steps cut short, several pivots of the
// bounded solve per evaluation) in a fraction of the time.

#include <benchmark/benchmark.h>

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

}  // namespace
