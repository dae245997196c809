// Time per assembly of a ladder of four-bar loops: loop i is the ground between pivots 2i and
// 2i + 2, the rocker on each pivot and the coupler joining their tips; the first rocker is a
// crank held at 60 degrees. Every assembly builds the solver from a start perturbed by 0.02 (as
// an edit leaves it) and solves to 1e-10, so the time is what one edit of the linkage costs.
//
// A ladder of n loops is a system of 6n + 3 rows and columns. Small systems are solved dense,
// larger ones through a sparse factorisation whose cost per Newton step grows about linearly
// with the loops: compare the time per assembly at 5, 50 and 500 loops, and the time per Newton
// step ("per_step"; the "unknowns" counter gives the size).

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "bodies/assembly/AssemblyEntry.h"
#include "core/Failure.h"
#include "core/Handle.h"

namespace {

// Rockers and the crank are as long as each other, so the ladder is a chain of parallelograms.
constexpr double kRocker = 1.0;

struct Ladder {
  int ground = 0;
  std::vector<int> rockers;
  std::vector<int> couplers;
  std::vector<Frame2D> rockerFrames;
  std::vector<Frame2D> couplerFrames;

  explicit Ladder(int loops) : rockers(loops + 1), couplers(loops) {
    // The assembled ladder: every rocker parallel to the crank, every coupler level.
    const double theta = std::numbers::pi / 3;
    for (int i = 0; i <= loops; ++i) rockerFrames.emplace_back(2.0 * i, 0.0, theta);
    for (int i = 0; i < loops; ++i)
      couplerFrames.emplace_back(2.0 * i + kRocker * std::cos(theta), kRocker * std::sin(theta),
                                 0.0);
  }

  // Builds the linkage into the solver, every body moved by d from its assembled place.
  void Build(TAssemblySolver& solver, double d) {
    solver.MakeFixedFrame(&ground, Frame2D(), &ground);
    for (size_t i = 0; i < rockers.size(); ++i) {
      const Frame2D& f = rockerFrames[i];
      solver.MakeBodyFrame(&rockers[i], Frame2D(f.x + d, f.y - d, f.angle + d));
    }
    for (size_t i = 0; i < couplers.size(); ++i) {
      const Frame2D& f = couplerFrames[i];
      solver.MakeBodyFrame(&couplers[i], Frame2D(f.x - d, f.y + d, f.angle - d));
    }
    for (size_t i = 0; i < rockers.size(); ++i)
      Pin(solver, &ground, {2.0 * static_cast<double>(i), 0.0}, &rockers[i], {0.0, 0.0});
    for (size_t i = 0; i < couplers.size(); ++i) {
      Pin(solver, &rockers[i], {kRocker, 0.0}, &couplers[i], {0.0, 0.0});
      Pin(solver, &rockers[i + 1], {kRocker, 0.0}, &couplers[i], {2.0, 0.0});
    }
    solver.AddAngleLock(&rockers[0], rockerFrames[0], rockerFrames[0].angle);
  }

  static void Pin(TAssemblySolver& solver, const void* reference, const TVector& at,
                  const void* body, const TVector& local) {
    TAssemblyConstraint* pin = solver.AddCoincident(&solver, reference, at);
    solver.AddPlacement(pin, body, TVector3(local));
  }
};

// Counts the passes that took a Newton step.
int32_t CountStep(void* steps, double, double, double) {
  ++*static_cast<int64_t*>(steps);
  return 0;
}

void BM_AssembleLadder(benchmark::State& state) {
  InitHandlePool();
  Ladder ladder(static_cast<int>(state.range(0)));
  double error = 0.0;
  int64_t steps = 0;
  for (auto _ : state) {
    TAssemblySolver solver;
    ladder.Build(solver, 0.02);
    TFrameRecord* records = nullptr;
    int32_t count = 0;
    uint32_t pushed = 0;
    try {
      error = solver.Solve(CountStep, &steps, 1e-10, records, count, pushed);
    } catch (const QVException& failure) {
      state.SkipWithError(failure.error() == kErrOutOfMemory ? "out of memory (-108)"
                                                              : "the assembly failed");
      break;
    }
    benchmark::DoNotOptimize(records);
  }
  state.counters["error"] = error;
  // Seconds per Newton step: the measure that grows about linearly with the loops.
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate |
                                                         benchmark::Counter::kInvert);
  state.counters["unknowns"] = static_cast<double>(6 * state.range(0) + 3);
  FreeHandlePool();
}

}  // namespace

BENCHMARK(BM_AssembleLadder)
    ->Arg(1)
    ->Arg(5)
    ->Arg(14)
    ->Arg(50)
    ->Arg(500)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
