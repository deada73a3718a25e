#!/usr/bin/env bash
# Runs a test program on an X server of its own (Xvfb, 1280x1024, 24 bits):
# programs that run in parallel never cover each other's windows, so a test
# that reads the screen sees only its own. Without Xvfb the program runs on
# the display it finds (or offscreen).
#   xserver.sh <program> [arguments...]
set -u
command -v Xvfb >/dev/null 2>&1 || exec "$@"
dir=$(mktemp -d "${TMPDIR:-/tmp}/caddora-x.XXXXXX") || exit 1
mkfifo "$dir/display"
# The server picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
xpid=$!
trap 'kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null; rm -rf "$dir"' EXIT
trap 'exit 143' TERM INT
number=""
read -r -t 60 number <"$dir/display" || true
if [ -z "$number" ]; then
  echo "xserver.sh: Xvfb did not start" >&2
  cat "$dir/log" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
