#!/usr/bin/env bash
# Configures and builds into build/ (or $VAMBREL_BUILD_DIR) with Ninja.
# Extra arguments go to CMake, e.g. -DVAMBREL_SANITIZE=ON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VAMBREL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build"
