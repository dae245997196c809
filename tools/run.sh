#!/usr/bin/env bash
# Installs what is missing, builds a release and starts Yarrowby. Arguments go to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"

build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DYB_BENCH=OFF
cmake --build "$build" --target yarrowby
exec "$build/app/yarrowby" "$@"
