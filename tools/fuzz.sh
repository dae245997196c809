#!/usr/bin/env bash
# Builds every libFuzzer program in build/fuzz with clang: the project's own libraries are
# compiled once with coverage, AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz
# entry (tests/*/fuzz/*FuzzEntry.cpp) is linked against them.
#   tools/fuzz.sh                 build every fuzzer
#   tools/fuzz.sh history_fuzzer  build only the ones named
#   tools/fuzz.sh --sweep [BUILD]  cut the documents at every length (see below)
# The fuzzers are written to build/fuzz/fuzzers/; tests/README.md says how to run them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/fuzz"

# The document replay tests cut the seeds and samples at a sample of lengths (every 31st or
# 61st, and where objects and blocks start). --sweep runs them at every length instead, which
# takes minutes, in the sanitizer test build BUILD (build/test, as tools/test.sh makes it, unless
# another is named).
if [[ ${1:-} == --sweep ]]; then
  tests=$(realpath "${2:-$top/build/test}")
  cmake --build "$tests" --target app_tests
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS="suppressions=$top/tools/lsan-suppressions.txt:print_suppressions=0"
  cd "$top/tests/app"
  YB_FULL_SWEEP=1 YB_SOURCE_DIR="$top" "$tests/tests/app/app_tests" \
    --gtest_filter='DocumentFuzzReplay.EveryCut*'
  exit
fi

clangxx=$(command -v clang++ || command -v clang++-14 || true)
clangc=$(command -v clang || command -v clang-14 || true)
if [[ -z $clangxx || -z $clangc ]]; then
  echo "clang is needed to build the fuzzers (Debian: apt-get install -y clang)" >&2
  exit 1
fi

# Coverage for libFuzzer everywhere; the fuzzer's own main is linked only into the fuzzers.
flags="-O1 -g1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined"
flags="$flags -fno-sanitize-recover=undefined"
cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER="$clangc" -DCMAKE_CXX_COMPILER="$clangxx" \
  -DCMAKE_BUILD_TYPE= -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DYB_FUZZ=ON -DYB_SANITIZE=OFF -DYB_TESTS=ON -DYB_BENCH=OFF >/dev/null

if [[ $# -eq 0 ]]; then
  set -- fuzzers
fi
cmake --build "$build" --target "$@"
