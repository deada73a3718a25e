#!/usr/bin/env bash
# Installs what is missing, builds (Release) and starts Caddora.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build" Release -DCADDORA_TESTS=OFF -DCADDORA_BENCH=OFF
exec "$top/build/caddora" "$@"
