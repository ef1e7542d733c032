#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Vambrel needs.
# Idempotent and non-interactive; run as root or with sudo available.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    clang clang-format libclang-rt-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3 libicu-dev zlib1g-dev
    qt6-translations-l10n
    shared-mime-info hicolor-icon-theme adwaita-icon-theme
    fonts-liberation2 xdg-utils
    poppler-utils
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
