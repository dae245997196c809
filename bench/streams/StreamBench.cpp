// Writing a document-sized image through a memory stream should cost time in proportion to its
// size: the handle grows by half its size at a time, so the bytes per second stay flat as n
// grows. Reading tokens from a text is measured the same way.

#include <string>

#include <benchmark/benchmark.h>

#include "core/Handle.h"
#include "core/MemoryStream.h"
#include "core/StreamText.h"

namespace {

void BM_MemoryStreamSmallWrites(benchmark::State& state) {
  InitHandlePool();
  const auto total = static_cast<int32_t>(state.range(0));
  const char block[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  for (auto _ : state) {
    Handle handle = AllocHandle(0);
    auto stream = MakeReadStream(true, handle);
    for (int32_t written = 0; written < total; written += 6)
      stream->Write(6, block);
    stream->Truncate();
    const char* const data = HandleData(handle);
    benchmark::DoNotOptimize(data);
    FreeHandle(handle);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  FreeHandlePool();
}
BENCHMARK(BM_MemoryStreamSmallWrites)->Range(1 << 12, 1 << 22);

void BM_TextTokens(benchmark::State& state) {
  InitHandlePool();
  std::string text;
  while (text.size() < 60000)
    text += "12.5\t-3e2 /* note */ label;\r\n";
  for (auto _ : state) {
    auto stream =
        NewTextInStream(NewHandleFromBytes(text.data(), static_cast<uint32_t>(text.size())));
    Str255 token;
    int tokens = 0;
    while (!stream->SkipBlanks()) {
      stream->ReadToken(token);
      ++tokens;
    }
    const int counted = tokens;
    benchmark::DoNotOptimize(counted);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  FreeHandlePool();
}
BENCHMARK(BM_TextTokens);

}  // namespace

BENCHMARK_MAIN();
