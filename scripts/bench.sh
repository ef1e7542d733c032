#!/usr/bin/env bash
# Builds in release mode and runs every benchmark; each prints its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VAMBREL_BENCH_DIR:-$root/build-bench}
VAMBREL_BUILD_DIR=$build "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DVAMBREL_BUILD_TESTS=OFF
for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue # the build keeps folders of the same names
    echo "== $(basename "$b")"
    "$b" "$@"
done
