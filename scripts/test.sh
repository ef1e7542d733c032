#!/usr/bin/env bash
# Installs the packages, builds everything and runs all tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DVAMBREL_WERROR=ON "$@"
build=${VAMBREL_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure -j 2
