#!/usr/bin/env bash
# Installs Google Benchmark and the peers compared against, builds the benchmarks in release and
# runs them: tools/bench.sh [NAME...] (names are the folders of bench/, all when none is given).
# Extra Google Benchmark options can be given in BENCH_OPTIONS, e.g. --benchmark_filter=Ours.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  echo "Usage: tools/bench.sh [NAME...]"
  echo "Builds the benchmarks in release and runs those named (all when none is named)."
  echo "Extra Google Benchmark options go in BENCH_OPTIONS, e.g. BENCH_OPTIONS=--benchmark_filter=Ours."
  echo "Benchmarks:"
  for folder in "$top"/bench/*/; do
    [[ -f "$folder/CMakeLists.txt" ]] && echo "  $(basename "$folder")"
  done
}
for argument in "$@"; do
  if [[ $argument == -h || $argument == --help ]]; then
    usage
    exit 0
  fi
  if [[ $argument == -* ]]; then
    echo "Unknown option \"$argument\"" >&2
    usage >&2
    exit 2
  fi
done

"$top/tools/install-deps.sh" run bench

build="$top/build/bench"
echo "==> Building the benchmarks in $build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DYB_TESTS=OFF -DYB_BENCH=ON \
  >/dev/null
names=("$@")
if [[ ${#names[@]} -eq 0 ]]; then
  for folder in "$top"/bench/*/; do
    [[ -f "$folder/CMakeLists.txt" ]] && names+=("$(basename "$folder")")
  done
fi
targets=()
for name in "${names[@]}"; do
  if ! cmake --build "$build" --target help | grep -q "^bench_$name:"; then
    echo "No benchmark \"$name\" (or its peer is not installed); left out" >&2
    continue
  fi
  targets+=("bench_$name")
done
[[ ${#targets[@]} -eq 0 ]] && exit 1
cmake --build "$build" --target "${targets[@]}"
for target in "${targets[@]}"; do
  echo "==> $target"
  # shellcheck disable=SC2086
  "$build/bench/${target#bench_}/$target" ${BENCH_OPTIONS:-}
done
