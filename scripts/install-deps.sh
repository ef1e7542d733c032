#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Vambrel needs.
# Idempotent and non-interactive. The package manager is called only when a package is missing,
# so that a second run needs neither root nor the network; then it runs as root or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    clang clang-format libclang-rt-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3 libicu-dev zlib1g-dev liburing-dev
    qt6-translations-l10n
    shared-mime-info hicolor-icon-theme adwaita-icon-theme
    fonts-liberation2 xdg-utils
    poppler-utils
    # The checks of the desktop entry and the AppStream metainfo, and the package build.
    desktop-file-utils appstream dpkg-dev file
)

# One query for all: a package that dpkg does not know is simply absent from its answer. dpkg-query
# then exits with 1, which must not end the script on a fresh machine.
installed=" $( (dpkg-query -W -f='${db:Status-Status}:${Package} ' "${packages[@]}" 2>/dev/null || true) |
    tr ' ' '\n' | sed -n 's/^installed://p' | tr '\n' ' ')"
missing=()
for p in "${packages[@]}"; do
    [[ $installed == *" $p "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
