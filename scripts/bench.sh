#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (Release) and runs them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build-bench" Release -DCADDORA_TESTS=ON -DCADDORA_BENCH=ON
cd "$top/build-bench"
for b in bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  xvfb-run -a "$b" "$@"
done
