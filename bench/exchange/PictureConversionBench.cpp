// The cost of turning a stored picture into a placeable metafile, per picture opcode, for an arc
// far larger than the picture's frame drawn again and again (5 bytes an opcode), beside the same
// arc scaled down to fit the frame. Goal: the huge arc costs within 2x of the fitted one per
// opcode, at 10 and at 1,000 opcodes: its cost follows the frame, not the arc.

#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/picture/PictFilter.h"

namespace {

void PutU16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// A frame of 100 by 100 at (x, y) = (29950, -50), and a framed arc from twelve to six over the
// oval, then `repeats` framings of the same arc.
std::vector<uint8_t> FramedArcs(int half, int64_t repeats) {
  std::vector<uint8_t> bytes;
  PutU16(bytes, 0);
  for (const int v : {-50, half - 50, 50, half + 50}) PutU16(bytes, v);
  bytes.insert(bytes.end(), {0x11, 0x01, 0x60});
  for (const int v : {-half, -half, half, half, 0, 180}) PutU16(bytes, v);
  for (int64_t i = 0; i < repeats; ++i) {
    bytes.push_back(0x68);
    PutU16(bytes, 0);
    PutU16(bytes, 180);
  }
  bytes.push_back(0xFF);
  return bytes;
}

void BM_HugeArcs(benchmark::State& state) {
  const std::vector<uint8_t> picture = FramedArcs(30000, state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(PictToPlaceableMetafile(picture));
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}
BENCHMARK(BM_HugeArcs)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FittedArcs(benchmark::State& state) {
  const std::vector<uint8_t> picture = FramedArcs(100, state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(PictToPlaceableMetafile(picture));
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}
BENCHMARK(BM_FittedArcs)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
