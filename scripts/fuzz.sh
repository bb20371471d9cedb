#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for a bounded time:
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (or TESSELAR_FUZZ_SECONDS; 60 by default)
#
# First replays the committed crash reproducers in fuzz/regressions/<target>/, then fuzzes from
# the seeds in fuzz/corpus/<target>/ (and the shipped examples for the text reader). Fails on any
# crash, broken invariant, leak, hang or sanitizer report; the input that caused it is kept in
# build/fuzz/artifacts/<target>/. What each run learns stays in build/fuzz/corpus/<target>/ for
# the next one.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${TESSELAR_FUZZ_SECONDS:-60}}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET]: whole seconds, not '$seconds'" >&2
    exit 2
fi

scripts/install-deps.sh

build=build/fuzz
targets=(fuzz_line_value fuzz_text_scan fuzz_shape_files)
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSELAR_BUILD_FUZZERS=ON -DTESSELAR_BUILD_TESTS=OFF -DTESSELAR_BUILD_GUI=OFF -DTESSELAR_WERROR=ON >/dev/null
cmake --build "$build" --target "${targets[@]}"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1

# fuzz_target NAME "LIBFUZZER OPTIONS" [extra seed folders...]
# The run's own corpus folder comes first: libFuzzer writes what it learns into the first folder
# only, so the seed folders stay as committed.
fuzz_target() {
    local name=$1 options=$2
    shift 2
    local binary=$build/fuzz/$name
    local seeds=fuzz/corpus/${name#fuzz_}
    local regressions=fuzz/regressions/${name#fuzz_}
    local corpus=$build/corpus/$name
    local artifacts=$build/artifacts/$name
    mkdir -p "$corpus" "$artifacts"

    if compgen -G "$regressions/*" >/dev/null; then
        echo "== $name: replaying $regressions"
        "$binary" -rss_limit_mb=2048 "$regressions"/*
    fi
    echo "== $name: fuzzing for $seconds s"
    "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 $options \
        "$corpus" "$seeds" "$@"
}

fuzz_target fuzz_line_value "-max_len=256"
# Every file read costs the sanitizers a large buffer; inputs beyond 8 KiB only slow the search.
fuzz_target fuzz_text_scan "-max_len=8192" examples/estuary
# Long call sequences from the start: a shape needs a dozen calls before it is accepted.
fuzz_target fuzz_shape_files "-max_len=4096 -len_control=0"
echo "fuzz: all targets ran ${seconds} s each without a finding"
