// The cost of importing a DXF drawing per entity, from 10^3 to 10^5 entities (entity records:
// lines, and 10-vertex polylines of 12 records each, one of each in turn, so that the objects
// stay within the identifiers a world has), beside a plain pass over the same file that reads each line
// and converts it with strtod, and the cost of reading the imported world into a document.
// Goals: the cost per entity at 10^5 within 1.5x of that at 10^3; the import within 3x of the
// plain pass.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bodies/BodyClasses.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/dxf/DXFImport.h"
#include "model/filing/ObjectReader.h"
#include "resources/ResourceLibraries.h"

namespace {

std::string Drawing(int64_t entities) {
  std::string text = "0\nSECTION\n2\nENTITIES\n";
  char line[160];
  int64_t written = 0;
  for (int64_t i = 0; written < entities; ++i) {
    const double x = static_cast<double>(i % 1000) * 3.0;
    const double y = static_cast<double>(i / 1000) * 3.0;
    if (i % 2 == 0) {
      ++written;
      std::snprintf(line, sizeof line, "0\nLINE\n8\n0\n10\n%.4f\n20\n%.4f\n11\n%.4f\n21\n%.4f\n", x,
                    y, x + 1.5, y + 2.25);
      text += line;
      continue;
    }
    text += "0\nPOLYLINE\n66\n1\n70\n1\n";
    for (int k = 0; k < 10; ++k) {
      const double t = k * 0.6283185307;
      std::snprintf(line, sizeof line, "0\nVERTEX\n10\n%.5f\n20\n%.5f\n", x + std::cos(t),
                    y + std::sin(t));
      text += line;
    }
    text += "0\nSEQEND\n";
    written += 12;
  }
  return text + "0\nENDSEC\n0\nEOF\n";
}

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void Import(benchmark::State& state) {
  InitHandlePool();
  const std::string drawing = Drawing(state.range(0));
  for (auto _ : state) {
    Handle text = AllocHandle(0);
    benchmark::DoNotOptimize(ImportDXF(Bytes(drawing), text, 1.0, MacPoint(640, 480)));
    FreeHandle(text);
  }
  state.counters["per_entity"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  FreeHandlePool();
}
BENCHMARK(Import)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

// Each line read into a buffer and converted: what any reader of the file must do.
void PlainLinePass(benchmark::State& state) {
  const std::string drawing = Drawing(state.range(0));
  for (auto _ : state) {
    double sum = 0.0;
    char buffer[256];
    const char* p = drawing.data();
    const char* end = p + drawing.size();
    while (p < end) {
      const char* stop = static_cast<const char*>(std::memchr(p, '\n', end - p));
      if (stop == nullptr) stop = end;
      const size_t n = std::min<size_t>(stop - p, sizeof buffer - 1);
      std::memcpy(buffer, p, n);
      buffer[n] = '\0';
      sum += std::strtod(buffer, nullptr);
      p = stop + 1;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["per_entity"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(PlainLinePass)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

// The imported world read into objects through the program's class table.
void ImportAndRead(benchmark::State& state) {
  InitHandlePool();
  RegisterBodyClasses();
  FreezeClassRegistry();
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  const std::string drawing = Drawing(state.range(0));
  for (auto _ : state) {
    Handle text = AllocHandle(0);
    ImportDXF(Bytes(drawing), text, 1.0, MacPoint(640, 480));
    auto reader = ReadObjects(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(HandleData(text)),
                                 GetHandleByteSize(text)),
        0, 0, nullptr, nullptr, nullptr, {});
    reader->Complete(0);
    benchmark::DoNotOptimize(reader->TakeObjects());
    FreeHandle(text);
  }
  state.counters["per_entity"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  SetResourceModule1(nullptr);
  FreeBodyClasses();
  FreeClassRegistry();
  FreeHandlePool();
}
BENCHMARK(ImportAndRead)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

}  // namespace
