// How the cost of the equations of motion grows with the length of a chain, in two parts: one
// evaluation (the multipliers from a sparse factorisation whose fill stays banded), and the
// first evaluation after the set of active constraints changed, which also looks for redundant
// rows. Both should grow linearly.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace {

void ChainEvaluation(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  yb::dynamics::scenes::Chain chain(links);
  yb::dynamics::Mechanics mechanics(chain.model);
  // Two states, taken in turn, so that every evaluation factorises (an evaluation at the
  // position of the last one would reuse its factorisation).
  const Eigen::VectorXd start = mechanics.State();
  Eigen::VectorXd moved = start;
  moved.head(mechanics.DegreesOfFreedom()).array() += 1e-6;
  Eigen::VectorXd derivative;
  // The first evaluation looks for redundant rows; it is measured on its own below.
  mechanics.Derivative(0.0, moved, derivative);
  bool turn = false;
  for (auto _ : state) {
    mechanics.Derivative(0.0, turn ? moved : start, derivative);
    turn = !turn;
    const double first = derivative[0];
    benchmark::DoNotOptimize(first);
  }
  state.SetComplexityN(links);
}
BENCHMARK(ChainEvaluation)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->Arg(1600)
    ->Complexity(benchmark::oN);

// The first evaluation of a new mechanics: the redundancy check of the row set, then one
// evaluation.
void ChainFirstEvaluation(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  yb::dynamics::scenes::Chain chain(links);
  Eigen::VectorXd derivative;
  for (auto _ : state) {
    state.PauseTiming();
    auto mechanics = std::make_unique<yb::dynamics::Mechanics>(chain.model);
    const Eigen::VectorXd start = mechanics->State();
    state.ResumeTiming();
    mechanics->Derivative(0.0, start, derivative);
    state.PauseTiming();
    benchmark::DoNotOptimize(derivative[0]);
    mechanics.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(links);
}
BENCHMARK(ChainFirstEvaluation)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->Arg(1600)
    ->Complexity(benchmark::oN);

// The chain of 100 links released horizontal, in accurate mode, over the simulated time given
// in tenths of a second: seconds of computing per simulated second (from the processor time),
// the steps taken and rejected, the evaluations they made and the factorisations they asked for
// (those that kept an unchanged matrix included), and the accuracy reached: the widest
// joint separation and the largest drift of the energy, in joules, at the frames.
void ChainAccurate(benchmark::State& state) {
  namespace sc = yb::dynamics::scenes;
  const double duration = static_cast<double>(state.range(0)) / 10;
  sc::Chain chain(100);
  yb::dynamics::RunStatistics statistics;
  double separation = 0, drift = 0;
  int64_t factorisations = 0;
  for (auto _ : state) {
    yb::dynamics::Simulation sim(chain.model, yb::dynamics::RunSettings{});
    const yb::dynamics::Mechanics& m = sim.GetMechanics();
    auto energy = [&] {
      double e = m.KineticEnergy();
      for (int link : chain.links)
        e += sc::kGravity * sc::Chain::kMass * m.Body(link).y;
      return e;
    };
    const double start = energy();
    separation = drift = 0;
    for (int frame = 1; frame * sim.Settings().animationStep <= duration + 1e-9; ++frame) {
      sim.AdvanceTo(frame * sim.Settings().animationStep);
      drift = std::max(drift, std::abs(energy() - start));
      for (auto [a, b] : chain.joints)
        separation = std::max(separation, (m.PointPosition(a) - m.PointPosition(b)).norm());
    }
    statistics = sim.Statistics();
    factorisations = m.Factorisations();
  }
  state.counters["steps"] = static_cast<double>(statistics.accepted);
  state.counters["rejected"] = static_cast<double>(statistics.rejected);
  state.counters["evaluations"] = static_cast<double>(statistics.evaluations);
  state.counters["factorisations"] = static_cast<double>(factorisations);
  state.counters["separation_m"] = separation;
  state.counters["energy_drift_J"] = drift;
  state.counters["s_per_sim_s"] = benchmark::Counter(
      duration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ChainAccurate)->Arg(5)->Arg(20)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
