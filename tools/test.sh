#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test. The build folder is kept, so a second run only rebuilds what changed.
# The first run compiles everything: see README.md for what it costs; tools/slow-units.sh lists
# the slowest files of the last build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
start=$SECONDS
step() { echo "==> $* ($((SECONDS - start)) s)"; }

step "Packages for building and testing"
"$top/tools/install-deps.sh" run test

# Number text must not depend on the user's locale; tests prove it under a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [[ $(id -u) -eq 0 ]]; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "Could not build the de_DE locale" >&2
  fi
fi

# Optimized for debugging, with line tables only: the build costs half of what -O1 -g costs, the
# sanitizers' reports still name files and lines, and the tests run about a third slower.
build="$top/build/test"
step "Configuring $build"
cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-Og -g1" \
  -DYB_SANITIZE=ON -DYB_TESTS=ON -DYB_BENCH=OFF >/dev/null

step "Building (the first time takes minutes; [done/total] counts the steps)"
built=$SECONDS
cmake --build "$build"
echo "    built in $((SECONDS - built)) s"

step "Running the tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leaks of the system's desktop libraries (session bus, X, fonts) are not ours to mend; ours are
# still reported.
export LSAN_OPTIONS="suppressions=$top/tools/lsan-suppressions.txt:print_suppressions=0"
tested=$SECONDS
# The scenarios that wait for work still to come are listed, whether or not the run passes.
waiting="$build/scenarios-waiting.txt"
rm -f "$waiting"
listWaiting() {
  if [[ -s $waiting ]]; then
    echo "==> Scenarios that wait for work still to come ($(sort -u "$waiting" | wc -l)):"
    sort -u "$waiting" | sed 's/^/    /'
  fi
}
trap listWaiting EXIT
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
echo "    tests ran in $((SECONDS - tested)) s"
step "All tests passed"
