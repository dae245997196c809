#!/usr/bin/env bash
# Prints the slowest compile steps of the last build: tools/slow-units.sh [BUILD_DIR] [COUNT]
# (build/test and 20 by default), read from Ninja's log, so a slow file is seen when it lands.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/test}
count=${2:-20}
log="$build/.ninja_log"
if [[ ! -f $log ]]; then
  echo "No build log at $log: build first (tools/test.sh)" >&2
  exit 1
fi
# Each line: start ms, end ms, mtime, output, command hash. A step rebuilt later appears again;
# its last entry counts.
awk -F'\t' 'NR > 1 && $4 ~ /\.o$/ { seconds[$4] = ($2 - $1) / 1000 }
  END { for (unit in seconds) printf "%8.1f s  %s\n", seconds[unit], unit }' "$log" |
  sort -rn | head -n "$count"
