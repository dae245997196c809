#!/usr/bin/env bash
# Installs what is missing, builds a release and starts Yarrowby. Arguments go to the program;
# without any, it opens the bundled sample world.
# The first run compiles the program: a few minutes on 2 cores.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh" run

build="$top/build/release"
echo "==> Building Yarrowby in $build ([done/total] counts the steps)"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DYB_TESTS=OFF -DYB_BENCH=OFF \
  >/dev/null
cmake --build "$build" --target yarrowby
if [ "$#" -eq 0 ]; then
  set -- "$top/samples/spring-and-pin.yb"
fi
exec "$build/app/yarrowby" "$@"
