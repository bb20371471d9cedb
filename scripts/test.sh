#!/usr/bin/env bash
# Installs what is missing, checks the formatting of the C++ sources, builds with warnings as
# errors and runs the whole test suite twice:
# an optimised build, then a build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1
jobs=$(nproc)

scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DTESSELAR_WERROR=ON
ctest --test-dir build/release -j "$jobs"

scripts/build.sh build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTESSELAR_WERROR=ON -DTESSELAR_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/sanitize -j "$jobs"
