// A body's x position read by a script 100,000 times (b.PX.Value: a body member handing out the
// cell, then the cell's value in display units), per read, beside the C++ read of the same
// quantity, in a world of one body and in one of 1,000 bodies whose script objects are all made.
// Each script run reports its reads beside the C++ reads of its own world as a ratio.
// Target: under 1 us per read in release, within 20 % of the one-body world.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "model/Formula.h"
#include "model/world/WorldDoc.h"
#include "scripting/host/ScriptHost.h"
#include "scripting/objects/APILink.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

constexpr int kReads = 100000;

const char* const kLoop =
    "Sub Main()\n  Dim i As Long\n  Dim x As Double\n"
    "  For i = 1 To 100000\n    x = B.PX.Value\n  Next i\nEnd Sub\n";

// A world of the given number of circles whose script objects are made below a root, and an
// engine with the object libraries and the global B, the first circle's script object.
class TCellWorld {
 public:
  explicit TCellWorld(int64_t bodies) {
    root_ = new TAPIDispatcher(&log_, nullptr, nullptr);
    root_->AddRef();
    host_.StartEngine(root_);
    InstallWorldScriptObjects();
    for (int64_t i = 0; i < bodies; ++i) {
      auto circle = std::make_unique<TOval>();
      circle->Initialize();
      circles_.push_back(circle.get());
      world_.AdoptObject(std::move(circle));
      circles_.back()->GetAPIObject(root_);
    }
    ScriptBuilder* b = ScriptBeginDescription();
    ScriptDefineClass(b, "Bench", kScriptNoId, nullptr);
    ScriptDefineGlobal(b, "B", kScriptObject, "DE22YBBdy.YBBody", circles_[0]->KeptAPIObject());
    ScriptFinishDescription(b, &fixture_, nullptr);
    ScriptRegisterLibrary(
        host_.GetEngine(), "Bench", fixture_,
        +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame*) {});
    script_.Reset();
    script_.SetText(kLoop);
    host_.Compile(&script_);
  }
  ~TCellWorld() { ScriptFreeDescription(fixture_); }

  void Run() { host_.RunMain(&script_); }
  TOval* First() const { return circles_[0]; }

 private:
  TAPICallLog log_;
  TAPIDispatcher* root_ = nullptr;  // the host deletes it
  TScriptHost host_;
  TWorldDoc world_;
  std::vector<TOval*> circles_;
  ScriptDescription* fixture_ = nullptr;
  TScriptText script_;
};

// The reads a script makes, done in C++ on the circle.
void ReadInCpp(TOval* circle) {
  for (int i = 0; i < kReads; ++i) {
    const TFormula* x =
        circle->GetFormulaProperty(body_tags::kTagPosX, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(x->GetValue());
  }
}

// Nanoseconds per C++ read in the world, the best of a few rounds.
double CppNanosecondsPerRead(TOval* circle) {
  double best = 0.0;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    ReadInCpp(circle);
    const std::chrono::duration<double, std::nano> taken = std::chrono::steady_clock::now() - start;
    const double perRead = taken.count() / kReads;
    if (round == 0 || perRead < best) best = perRead;
  }
  return best;
}

void BM_CellValueThroughScript(benchmark::State& state) {
  TCellWorld world(state.range(0));
  const double cpp = CppNanosecondsPerRead(world.First());
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    world.Run();
  const std::chrono::duration<double, std::nano> taken = std::chrono::steady_clock::now() - start;
  const double reads = static_cast<double>(state.iterations()) * kReads;
  state.counters["ns_per_read"] =
      benchmark::Counter(reads, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["cpp_ns_per_read"] = cpp;
  if (cpp > 0.0) state.counters["ratio_to_cpp"] = taken.count() / reads / cpp;
}
BENCHMARK(BM_CellValueThroughScript)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_CellValueInCpp(benchmark::State& state) {
  TCellWorld world(1);
  TOval* circle = world.First();
  for (auto _ : state)
    ReadInCpp(circle);
  state.counters["ns_per_read"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kReads,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CellValueInCpp)->Unit(benchmark::kMillisecond);

}  // namespace
