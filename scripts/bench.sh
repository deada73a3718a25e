#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (Release) and runs them.
# Each program gets BENCH_TIME_LIMIT seconds (default 900); one that runs over
# is stopped, the others still run, and the script fails at its end. So it
# does when a program fails: one of its benchmarks ended in an error (a limit
# exceeded, a step that failed; the program names them on stderr).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build-bench" Release -DCADDORA_TESTS=ON -DCADDORA_BENCH=ON
cd "$top/build-bench"
limit=${BENCH_TIME_LIMIT:-900}
status=0
for b in bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  # timeout stops the benchmark and what it started (its process group).
  rc=0
  xvfb-run -a timeout --kill-after=10 "$limit" "$b" "$@" || rc=$?
  if [ "$rc" -ne 0 ]; then
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
      echo "$b: stopped after $limit s" >&2
    else
      echo "$b: failed ($rc)" >&2
    fi
    status=1
  fi
done
exit $status
