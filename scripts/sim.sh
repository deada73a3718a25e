#!/usr/bin/env bash
# Builds only the two simulator tools (Release, no sanitizers, no test
# programs) into build-sim, then starts the one named, with its arguments:
#   scripts/sim.sh                          # build build-sim/tests/sim/{u8sim,webdouble}
#   scripts/sim.sh u8sim --memory full      # build, then run the simulated U8
#   scripts/sim.sh webdouble --courses 3    # build, then run the web double
# Needs the packages scripts/run.sh or scripts/test.sh installs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-sim"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCADDORA_TESTS=ON \
  -DCADDORA_BENCH=OFF -DCADDORA_SANITIZE=OFF >/dev/null
cmake --build "$build" --target u8sim webdouble
if [ $# -gt 0 ]; then
  tool=$1
  shift
  case "$tool" in
    u8sim|webdouble) exec "$build/tests/sim/$tool" "$@" ;;
    *) echo "sim.sh: unknown tool '$tool' (u8sim or webdouble)" >&2; exit 2 ;;
  esac
fi
