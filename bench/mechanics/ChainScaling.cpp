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
  const Eigen::VectorXd start = mechanics.State();
  Eigen::VectorXd derivative;
  for (auto _ : state) {
    mechanics.Derivative(0.0, start, derivative);
    const double first = derivative[0];
    benchmark::DoNotOptimize(first);
  }
  state.SetComplexityN(links);
}
BENCHMARK(ChainEvaluation)->RangeMultiplier(2)->Range(25, 800)->Complexity(benchmark::oN);

}  // namespace
