// The bundled samples as a user runs them: each file opened by the program and run for ten
// simulated seconds into its recorded frames. Each reports the wall time per simulated second
// ("s_per_sim_s"); where the side-by-side benchmark has the same mechanism as an in-code scene,
// that scene runs beside it in the solver alone, in accurate mode, so the table shows what the
// document's road costs over the bare solver.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <string>

#include "app/TApp.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "simulation/Engine.h"
#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"
#include "tools/samples/SampleWorlds.h"

namespace {

constexpr double kSimulatedSeconds = 10.0;

// Wall seconds per simulated second, from the iterations' time.
benchmark::Counter PerSimulatedSecond() {
  return benchmark::Counter(kSimulatedSeconds, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

// Opens the sample (not timed) and runs it for the simulated seconds.
void RunSample(benchmark::State& state, const std::string& file) {
  const std::string path = (std::filesystem::path(YB_SAMPLES_DIR) / file).string();
  for (auto _ : state) {
    state.PauseTiming();
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    const auto frames =
        static_cast<int32_t>(std::ceil(kSimulatedSeconds / world.GetEngine()->TimeStep()));
    state.ResumeTiming();
    world.RunToFrame(frames, nullptr);
    benchmark::DoNotOptimize(world.GetStore()->FrameCount());
  }
  state.counters["s_per_sim_s"] = PerSimulatedSecond();
}

// Runs the in-code model in the solver alone, frame by frame, in accurate mode.
void RunScene(benchmark::State& state, const yb::dynamics::Model& model) {
  for (auto _ : state) {
    yb::dynamics::Simulation simulation(model, yb::dynamics::RunSettings{});
    const double frame = simulation.Settings().animationStep;
    for (int i = 1; i * frame <= kSimulatedSeconds + 1e-9; ++i)
      simulation.AdvanceTo(i * frame);
    benchmark::DoNotOptimize(simulation.Time());
  }
  state.counters["s_per_sim_s"] = PerSimulatedSecond();
}

// The in-code scene of the side-by-side benchmark that shows the sample's mechanism, if any.
std::unique_ptr<yb::dynamics::Model> SceneOf(const std::string& file) {
  namespace sc = yb::dynamics::scenes;
  namespace sw = sample_worlds;
  if (file == sw::pendulum::kFile) {
    return std::make_unique<yb::dynamics::Model>(sc::Pendulum(10.0 * std::numbers::pi / 180).model);
  }
  if (file == sw::double_pendulum::kFile) {
    return std::make_unique<yb::dynamics::Model>(sc::DoublePendulum().model);
  }
  if (file == sw::four_bar::kFile) {
    return std::make_unique<yb::dynamics::Model>(sc::FourBar(true).model);
  }
  if (file == sw::slider_crank::kFile) {
    return std::make_unique<yb::dynamics::Model>(sc::SliderCrank().model);
  }
  if (file == sw::gear_train::kFile) {
    return std::make_unique<yb::dynamics::Model>(sc::GearTrain().model);
  }
  return nullptr;
}

void RegisterAll() {
  for (const sample_worlds::SampleWorld& sample : sample_worlds::AllSampleWorlds()) {
    const std::string file = sample.file;
    const std::string name = std::filesystem::path(file).stem().string();
    benchmark::RegisterBenchmark(("Sample/" + name + "/file").c_str(),
                                 [file](benchmark::State& state) { RunSample(state, file); })
        ->Unit(benchmark::kMillisecond);
    if (std::shared_ptr<const yb::dynamics::Model> model = SceneOf(file)) {
      benchmark::RegisterBenchmark(("Sample/" + name + "/in-code scene").c_str(),
                                   [model](benchmark::State& state) { RunScene(state, *model); })
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TApp app;
  app.LoadResourceDlls();
  try {
    app.InitUnits();
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    app.FreeResourceDlls();
    return 1;
  }
  int status = 0;
  try {
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    status = 1;
  }
  benchmark::Shutdown();
  app.TermUnits();
  app.FreeResourceDlls();
  return status;
}
