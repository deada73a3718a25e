#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds into the given folder.
#   scripts/setup.sh <build-dir> <Release|Debug> [extra cmake args...]
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libsqlite3-dev libcurl4-openssl-dev libxml2-dev libxslt1-dev
  fp-utils libchm-dev qt6-image-formats-plugins iso-codes
  googletest libgtest-dev libgmock-dev xvfb xauth
  libcpp-httplib-dev libgeographiclib-dev libbenchmark-dev
  poppler-utils libxcb1-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq || true
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${1:-build}
build_type=${2:-Release}
shift 2 || true
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "$@"
cmake --build "$build_dir"
