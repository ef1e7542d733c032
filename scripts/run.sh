#!/usr/bin/env bash
# Installs the packages, builds everything and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${VAMBREL_BUILD_DIR:-$root/build}
exec "$build/Vambrel"
