#!/usr/bin/env bash
# Builds into build-asan/ (or $VAMBREL_SANITIZE_BUILD_DIR) with AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs the whole suite there; any report fails the run.
# Extra arguments go to CMake. Warnings are the plain build's business (scripts/test.sh): the
# instrumented compiler warns differently, and the benchmarks are left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VAMBREL_SANITIZE_BUILD_DIR:-$root/build-asan}
"$root/scripts/install-deps.sh"
VAMBREL_BUILD_DIR=$build "$root/scripts/build.sh" -DVAMBREL_SANITIZE=ON -DVAMBREL_BUILD_BENCH=OFF "$@"

# CTest gives every test its sanitizer options (cmake/VambrelDefaults.cmake); qvtSrv and qvtjob
# inherit them, and a report ends the process with a failure status.
ctest --test-dir "$build" --output-on-failure -j 2
