#!/usr/bin/env bash
# Renders the PNG sizes of the program's icon from data/icons/com.quorvat.Vambrel.svg. The PNGs
# are committed (a few kilobytes), so that building never needs the renderer; run this only after
# changing the SVG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons=$root/data/icons
svg=$icons/com.quorvat.Vambrel.svg
if ! command -v rsvg-convert >/dev/null; then
    sudo=$([ "$(id -u)" -eq 0 ] && echo "" || echo sudo)
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends librsvg2-bin
fi
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$icons/$size"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/$size/com.quorvat.Vambrel.png"
done
du -ch "$icons"/*/com.quorvat.Vambrel.png | tail -1
