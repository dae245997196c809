// What a relocatable handle costs against a plain heap block of the same size.

#include <cstdlib>

#include <benchmark/benchmark.h>

#include "core/Handle.h"

namespace {

void BM_HandleAllocFree(benchmark::State& state) {
  InitHandlePool();
  const auto size = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    Handle handle = AllocHandle(size);
    benchmark::DoNotOptimize(HandleData(handle));
    FreeHandle(handle);
  }
  FreeHandlePool();
}
BENCHMARK(BM_HandleAllocFree)->Arg(16)->Arg(4096);

void BM_MallocFree(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0)) + 1;
  for (auto _ : state) {
    void* const block = std::malloc(size);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}
BENCHMARK(BM_MallocFree)->Arg(16)->Arg(4096);

void BM_HandleGrowByChunks(benchmark::State& state) {
  InitHandlePool();
  for (auto _ : state) {
    Handle handle = AllocHandle(0);
    for (uint32_t size = 2048; size <= 64 * 1024; size += 2048) ResizeHandle(handle, size);
    FreeHandle(handle);
  }
  FreeHandlePool();
}
BENCHMARK(BM_HandleGrowByChunks);

}  // namespace

BENCHMARK_MAIN();
