// How the cost of the equations of motion grows with the length of a chain, in two parts: one
// evaluation (the multipliers from a sparse factorisation whose fill stays banded), and the
// first evaluation after the set of active constraints changed, which also looks for redundant
// rows. Both should grow linearly.

#include <benchmark/benchmark.h>

#include <memory>

#include "solver/dynamics/Mechanics.h"
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
BENCHMARK(ChainEvaluation)->RangeMultiplier(2)->Range(25, 1600)->Complexity(benchmark::oN);

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
BENCHMARK(ChainFirstEvaluation)->RangeMultiplier(2)->Range(25, 1600)->Complexity(benchmark::oN);

}  // namespace
