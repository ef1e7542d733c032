#!/usr/bin/env bash
# A short, bounded run of every fuzz target, for CI: builds them with clang in build-fuzz/ and runs
# each for VAMBREL_FUZZ_SECONDS (60 by default) from its seed corpus. New inputs and findings stay
# in build-fuzz/; the seed corpora in fuzz/corpus/ are not written to. Fails on any finding
# (crash, leak, timeout, sanitizer report) and prints the number of executions of each target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VAMBREL_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${VAMBREL_FUZZ_SECONDS:-60}
# A fixed seed and a fixed number of runs make a CI run repeat exactly what a developer ran; set
# VAMBREL_FUZZ_SEED=0 for a fresh seed and VAMBREL_FUZZ_RUNS=-1 to run until the time is up.
seed=${VAMBREL_FUZZ_SEED:-1}

"$root/scripts/install-deps.sh"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVAMBREL_FUZZ=ON -DVAMBREL_BUILD_TESTS=OFF -DVAMBREL_BUILD_BENCH=OFF -DVAMBREL_WERROR=ON \
    "${launcher[@]}" >/dev/null

# target, seed corpus, largest input, runs
targets=(
    "fuzz_versioninfo versioninfo 8192 200000"
    "fuzz_jobprotocol jobprotocol 4096 200000"
    "fuzz_catalogue catalogue 65536 500"
)
names=()
for t in "${targets[@]}"; do
    read -r name _ _ <<<"$t"
    names+=("$name")
done
cmake --build "$build" --target "${names[@]}"

status=0
summary=()
for t in "${targets[@]}"; do
    read -r name corpus maxlen runs <<<"$t"
    runs=${VAMBREL_FUZZ_RUNS:-$runs}
    work=$build/fuzz-run/$name
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    log=$work/log.txt
    echo "fuzz: $name, $runs runs at most ${seconds}s, seed $seed"
    rc=0
    # The catalogue target writes its scratch file in TMPDIR: keep it inside the build folder.
    (cd "$work" && TMPDIR=$work ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/fuzz/$name" -max_total_time="$seconds" -runs="$runs" -seed="$seed" -max_len="$maxlen" -timeout=30 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$root/fuzz/corpus/$corpus") >"$log" 2>&1 || rc=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    # A slow unit is only reported: on a busy machine any input can take ten seconds.
    findings=$(find "$work/artifacts" -type f ! -name 'slow-unit-*' | wc -l)
    summary+=("$name: ${executed:-?} executions, $findings findings, exit status $rc")
    if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ] || [ -z "$executed" ]; then
        status=1
        tail -n 60 "$log"
        find "$work/artifacts" -type f ! -name 'slow-unit-*' -printf 'fuzz: finding %p\n'
    fi
done
printf 'fuzz: %s\n' "${summary[@]}"
exit "$status"
