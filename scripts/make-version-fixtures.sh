#!/usr/bin/env bash
# Rebuilds the version-reader fixtures under tests/data/version/ and the seed corpus under
# fuzz/corpus/versioninfo/ from the sources kept beside them:
#   *.rc    resource scripts, compiled with the MinGW tools into tiny PE32 (i686) and PE32+
#           (x86_64) images that are never run
#   ne_*.json  descriptions of 16-bit NE images, written by version-fixture-tool.py
# Damaged copies are cut or patched from the good images. The outputs are committed, so that the
# tests never need the cross tools; run this only after changing a source.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=$root/tests/data/version
corpus=$root/fuzz/corpus/versioninfo
tool="python3 $root/scripts/version-fixture-tool.py"

if ! command -v i686-w64-mingw32-windres >/dev/null || ! command -v x86_64-w64-mingw32-gcc >/dev/null; then
    sudo=$([ "$(id -u)" -eq 0 ] && echo "" || echo sudo)
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends \
        binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 gcc-mingw-w64-i686 gcc-mingw-w64-x86-64
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# image ARCH KIND RC OUT [windres defines...]: ARCH i686 or x86_64, KIND exe or dll.
image() {
    local arch=$1 kind=$2 rc=$3 out=$4
    shift 4
    local prefix=$arch-w64-mingw32 entry=start
    [ "$arch" = i686 ] && entry=_start
    local flags=(-nostdlib -s -fno-asynchronous-unwind-tables -Wl,--entry=$entry
        -Wl,--no-insert-timestamp -Wl,--disable-reloc-section)
    [ "$kind" = dll ] && flags+=(-shared -Wl,--exclude-all-symbols)
    "$prefix-windres" -c 65001 "$@" "$data/$rc" -O coff -o "$work/res.o"
    "$prefix-gcc" "${flags[@]}" -o "$data/$out" "$data/entry.c" "$work/res.o"
}

image i686 exe pe32_full.rc pe32_full.exe
image x86_64 dll pe64_unusual.rc pe64_unusual.dll
image i686 dll pe32_othertrans.rc pe32_othertrans.dll
image i686 exe pe32_fixedonly.rc pe32_fixedonly.exe
image x86_64 dll pe64_varonly.rc pe64_varonly.dll
image i686 exe pe32_noversion.rc pe32_noversion.exe

# One image per row of the type and subtype tables; the OS rows and the flag bits go round.
oses=(0x10001 0x10004 0x20002 0x30003 0x40004 0x12345)
bits=(0x01 0x02 0x04 0x08 0x10 0x20)
variants=(0:0 3:0 3:1 3:2 3:3 3:4 3:5 3:6 3:7 3:8 3:9 3:10 4:1 4:3 4:7 5:0 6:0)
i=0
for v in "${variants[@]}"; do
    type=${v%:*} subtype=${v#*:}
    name=pe32_t${type}_s${subtype}.dll
    image i686 dll pe32_variant.rc "$name" -DVF_OS=${oses[i % 6]} -DVF_TYPE=$type \
        -DVF_SUBTYPE=$subtype -DVF_FLAGS=${bits[i % 6]}
    i=$((i + 1))
done

for desc in "$data"/ne_*.json; do
    $tool ne "$desc" "$data/$(basename "$desc" .json).exe"
done

# Damaged copies.
full=$data/pe32_full.exe
$tool corrupt "$full" "$data/bad_cut64.exe" cut=64
$tool corrupt "$full" "$data/bad_cutheaders.exe" cut=0x180
$tool corrupt "$full" "$data/bad_cutresource.exe" cutat=VS_VERSION_INFO+40
$tool corrupt "$full" "$data/bad_lfanew.exe" put32=0x3C:0xFFFFFFF0
$tool corrupt "$full" "$data/bad_rootlength.exe" put16=VS_VERSION_INFO-6:0xFFFF
$tool corrupt "$full" "$data/bad_childlength.exe" put16=CompanyName-6:0x7FFF
$tool corrupt "$full" "$data/bad_signature.exe" fixedsig=0xFEEF04BE
$tool corrupt "$data/pe64_unusual.dll" "$data/bad_cuthalf.dll" cut=$(($(stat -c %s "$data/pe64_unusual.dll") / 2))
$tool corrupt "$data/ne_full.exe" "$data/bad_necut.exe" cut=-40
# Damaged, yet still readable: only padding lost, a root that ends after the fixed record, a
# zero length that ends the list of the table that is not read.
$tool corrupt "$full" "$data/odd_cutpadding.exe" cut=-1
$tool corrupt "$full" "$data/odd_rootshort.exe" put16=VS_VERSION_INFO-6:0x5C
$tool corrupt "$full" "$data/odd_zerolength.exe" put16=CompanyName-6:0

# Seed corpus of the fuzz target: the main fixtures and seeded mutations of them. Inputs kept
# from fuzzing runs (found_*.bin) stay.
mkdir -p "$corpus"
rm -f "$corpus"/*_mut*.bin
for f in pe32_full.exe pe64_unusual.dll pe32_othertrans.dll pe32_fixedonly.exe pe64_varonly.dll \
    pe32_noversion.exe ne_full.exe ne_noversion.exe ne_fixedonly.exe bad_rootlength.exe \
    bad_childlength.exe odd_rootshort.exe; do
    cp "$data/$f" "$corpus/${f%.*}.bin"
done
$tool mutate "$full" "$corpus" 12 1
$tool mutate "$data/pe64_unusual.dll" "$corpus" 6 2
$tool mutate "$data/ne_full.exe" "$corpus" 8 3
du -sh "$data" "$corpus"
