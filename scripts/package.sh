#!/usr/bin/env bash
# Installs the packages, builds in release mode into build-package/ (or $VAMBREL_PACKAGE_DIR) and
# makes the Debian package there; prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VAMBREL_PACKAGE_DIR:-$root/build-package}
"$root/scripts/install-deps.sh"
VAMBREL_BUILD_DIR=$build "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DVAMBREL_BUILD_TESTS=OFF \
    -DVAMBREL_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr "$@"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/vambrel_*.deb
