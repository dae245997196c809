// Writing and reading a document should cost time in proportion to its number of objects: the
// writer remembers the objects it has started, and the reader finds each record's object and
// each reference's target, by lookup rather than by walking every object read so far. The
// items per second stay flat from 1,000 to 100,000 objects when that holds.

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/Handle.h"
#include "model/Thing.h"
#include "tests/model/filing/TestClasses.h"

namespace {

using namespace filing_test;

// A chain of shapes, each referring to the one before it, with a plain thing between every two.
class Chain {
 public:
  explicit Chain(int64_t count) {
    world_.SetIdentifier(1);
    objects_.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      std::unique_ptr<TLink> object;
      if (i % 2 == 0) {
        auto shape = std::make_unique<TTestShape>();
        shape->Initialize();
        shape->value = static_cast<double>(i);
        if (!objects_.empty()) shape->partner = objects_.back().get();
        object = std::move(shape);
      } else {
        object = std::make_unique<TThing>();
        object->Initialize();
      }
      // Stored identifiers are 16-bit; a larger document repeats them, as a pasted one may.
      object->SetIdentifier(static_cast<int16_t>(2 + i % 30000));
      list_.push_back(object.get());
      objects_.push_back(std::move(object));
    }
  }
  std::vector<uint8_t> Write() {
    auto writer = WriteObjectsDefault(&list_, 1, &world_, 2, nullptr);
    return TakeBytes(*writer);
  }

 private:
  TTestWorld world_;
  std::vector<std::unique_ptr<TLink>> objects_;
  std::vector<TLink*> list_;
};

// The program's set-up of handles and classes, for one benchmark.
class Setup {
 public:
  Setup() {
    InitHandlePool();
    RegisterThingClasses();
    classes_ = std::make_unique<TestClassScope>();
  }
  ~Setup() {
    classes_.reset();
    FreeHandlePool();
  }

 private:
  std::unique_ptr<TestClassScope> classes_;
};

void BM_WriteDocument(benchmark::State& state) {
  const Setup setup;
  Chain chain(state.range(0));
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = chain.Write();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteDocument)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

void BM_ReadDocument(benchmark::State& state) {
  const Setup setup;
  const std::vector<uint8_t> bytes = Chain(state.range(0)).Write();
  for (auto _ : state) {
    auto world = std::make_unique<TTestWorld>();
    world->SetIdentifier(1);
    auto reader = ReadObjects(bytes, 2, 2, world.get(), nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto objects = reader->TakeObjects();
    state.PauseTiming();
    const bool whole = static_cast<int64_t>(objects.size()) == state.range(0);
    // The world goes first, so each object is unlinked from it once.
    world.reset();
    objects.clear();
    reader.reset();
    state.ResumeTiming();
    if (!whole) {
      state.SkipWithError("the document did not read back whole");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadDocument)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
