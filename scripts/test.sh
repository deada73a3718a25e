#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (each program on a virtual X
# server of its own), then runs the fuzz targets for a bounded time
# (scripts/fuzz.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-test"
"$top/scripts/setup.sh" "$build" Debug -DCADDORA_SANITIZE=ON -DCADDORA_TESTS=ON -DCADDORA_BENCH=OFF
# intercept_tls_get_addr=0: GCC 12's leak checker misreads the size of a
# thread-local block that a library loaded at run time (Mesa) allocates, and
# then crashes at exit scanning a bogus range; leak checking stays on.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}:intercept_tls_get_addr=0
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp}
export LIBGL_ALWAYS_SOFTWARE=1
# No session bus: Qt would reach for one (accessibility, themes) through
# libdbus, which leaves memory behind that the leak checker reports.
export DBUS_SESSION_BUS_ADDRESS=disabled:
cd "$build"
status=0
# Each test program starts its own X server (tests/support/xserver.sh).
ctest --output-on-failure -j"$(nproc)" "$@" || status=$?
# Then the fuzz targets, each for CADDORA_FUZZ_SECONDS seconds (default 20; 0 skips).
"$top/scripts/fuzz.sh" || status=1
exit $status
