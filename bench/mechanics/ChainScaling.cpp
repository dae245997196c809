// The cost of one evaluation of the equations of motion grows linearly with the length of a
// chain: the multipliers come from a sparse factorisation whose fill stays banded.

#include <benchmark/benchmark.h>

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
  bool turn = false;
  for (auto _ : state) {
    mechanics.Derivative(0.0, turn ? moved : start, derivative);
    turn = !turn;
    const double first = derivative[0];
    benchmark::DoNotOptimize(first);
  }
  state.SetComplexityN(links);
}
BENCHMARK(ChainEvaluation)->RangeMultiplier(2)->Range(25, 800)->Complexity(benchmark::oN);

}  // namespace
