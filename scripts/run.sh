#!/usr/bin/env bash
# Installs the packages, builds everything and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${VAMBREL_BUILD_DIR:-$root/build}
if [ ! -x "$build/Vambrel" ]; then
    echo "Le programme Vambrel n'existe pas encore dans cette version (il arrive avec l'issue 7)." >&2
    exit 1
fi
exec "$build/Vambrel"
