#!/usr/bin/env bash
# Builds the program and saves a picture of its main window, as it shows after start-up, on a
# virtual X display: scripts/screenshot.sh [OUTPUT.png]   (default out/screenshots/main-window.png)
# Pictures of the splash and About windows go beside it, as splash.png and about.png.
# TESSELAR_BUILD_DIR names the build tree to use (default build/screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-out/screenshots/main-window.png}")
build=${TESSELAR_BUILD_DIR:-build/screenshot}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target screenshots
mkdir -p "$(dirname "$output")"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" \
    "$build/tests/gui/screenshots" "$output"
echo "Saved $output, splash.png and about.png beside it"
