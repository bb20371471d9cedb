#!/usr/bin/env bash
# Fails when a C++ source is not formatted as .clang-format says; `clang-format -i FILE` fixes it.
set -euo pipefail
cd "$(dirname "$0")/.."
find src cli tests fuzz bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run -Werror
