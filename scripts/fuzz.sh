#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang's libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each from its seed corpus for
# CADDORA_FUZZ_SECONDS seconds (default 20; 0 skips them).
#   scripts/fuzz.sh [name...]     (names as in tests/fuzz/fuzz_<name>.cpp)
# A finding stops nothing else: it is reported, its input is kept in
# build-fuzz/artifacts/, and the script fails at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${CADDORA_FUZZ_SECONDS:-20}
[ "$seconds" = 0 ] && exit 0
build="$top/build-fuzz"
CC=clang CXX=clang++ cmake -S "$top/tests/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$top"/tests/fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp)
    names+=("${n#fuzz_}")
  done
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
status=0
for n in "${names[@]}"; do
  # New inputs go to a scratch folder; the committed seeds are only read.
  mkdir -p "$work/$n"
  log="$build/fuzz_$n.log"
  if "$build/fuzz_$n" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/artifacts/$n-" "$work/$n" "$top/tests/fuzz/corpus/$n" >"$log" 2>&1; then
    echo "fuzz_$n: $(grep -a 'DONE' "$log" | tail -1)"
  else
    echo "fuzz_$n: FAILED (log $log, input in $build/artifacts)"
    grep -a -A 30 -E 'ERROR|runtime error|deadly signal' "$log" | head -60 || true
    status=1
  fi
done
exit $status
