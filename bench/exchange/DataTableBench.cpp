// The cost of reading a data table file per row, for tables of 2 columns from 64 rows up to
// the limit of values, beside a plain pass over the same file that converts each number with
// strtod; and the refusal of a file of 10^6 rows, whose cost the limit bounds, not the file.
// Goals: per row within 1.5x across sizes and within 2x of the plain pass; the refusal of
// 10^6 rows costing about what a table at the limit costs.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "core/Failure.h"
#include "core/FileSpec.h"
#include "core/Handle.h"
#include "exchange/tables/DataTable.h"

namespace {

std::string TableText(int64_t rows) {
  std::string text = "time speed\n";
  char line[64];
  for (int64_t i = 0; i < rows; ++i) {
    std::snprintf(line, sizeof line, "%.4f %.6f\n", static_cast<double>(i) * 0.05,
                  static_cast<double>(i % 97) * 1.25 - 3.5);
    text += line;
  }
  return text;
}

// The table written to a file of its own for the length of one benchmark.
class TableFile {
 public:
  explicit TableFile(int64_t rows)
      : path_(std::filesystem::temp_directory_path() /
              ("yb-table-bench-" + std::to_string(rows) + "-" + std::to_string(::getpid()) +
               ".dta")) {
    text_ = TableText(rows);
    std::ofstream(path_, std::ios::binary) << text_;
    record_.name.Assign(path_.c_str());
  }
  ~TableFile() { std::filesystem::remove(path_); }
  const FSSpec& Record() const { return record_; }
  const std::string& Text() const { return text_; }

 private:
  std::filesystem::path path_;
  std::string text_;
  FSSpec record_;
};

void SetRowCounter(benchmark::State& state, int64_t rows) {
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(rows),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ReadTable(benchmark::State& state) {
  InitHandlePool();
  const TableFile file(state.range(0));
  for (auto _ : state) {
    TDataTableManager manager;
    manager.Initialize();
    benchmark::DoNotOptimize(&ReadDataTableFile(manager, file.Record()));
  }
  SetRowCounter(state, state.range(0));
  FreeHandlePool();
}
BENCHMARK(ReadTable)->RangeMultiplier(4)->Range(64, kMaxDataTableValues / 2);

// Each number of the text converted with strtod: what any reader of the table must do.
void PlainStrtodPass(benchmark::State& state) {
  const std::string text = TableText(state.range(0));
  for (auto _ : state) {
    double sum = 0.0;
    const char* p = text.c_str();
    while (*p != '\0') {
      char* end = nullptr;
      const double value = std::strtod(p, &end);
      if (end == p) {
        ++p;
        continue;
      }
      sum += value;
      p = end;
    }
    benchmark::DoNotOptimize(sum);
  }
  SetRowCounter(state, state.range(0));
}
BENCHMARK(PlainStrtodPass)->RangeMultiplier(4)->Range(64, kMaxDataTableValues / 2);

// A file of 10^6 rows refused once the limit is passed.
void RefuseHugeTable(benchmark::State& state) {
  InitHandlePool();
  const TableFile file(1000000);
  for (auto _ : state) {
    TDataTableManager manager;
    manager.Initialize();
    try {
      ReadDataTableFile(manager, file.Record());
      state.SkipWithError("a table past the limit was read");
    } catch (const QVException& failure) {
      benchmark::DoNotOptimize(failure.error());
    }
  }
  FreeHandlePool();
}
BENCHMARK(RefuseHugeTable)->Unit(benchmark::kMicrosecond);

}  // namespace
