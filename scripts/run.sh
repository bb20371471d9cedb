#!/usr/bin/env bash
# Installs what is missing, builds Tesselar, converts the shipped examples with tesselar-convert
# into out/, draws them into out/estuary.png, and starts the desktop program when there is a
# display to show it on.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release
mkdir -p out
example=examples/estuary
build/release/cli/tesselar-convert \
    -x $example/grid_x.dat -y $example/grid_y.dat \
    -a Temp=$example/temperature.dat -a Salinity=$example/salinity.dat \
    -o out/estuary.shp
build/release/cli/tesselar-convert -t point \
    -x $example/particles_x.dat -y $example/particles_y.dat \
    -a Depth=$example/particles_depth.dat \
    -o out/particles.shp
scripts/draw_example.py --grid out/estuary.shp --particles out/particles.shp \
    --output out/estuary.png
echo "The grid's polygons are in out/estuary.shp, the particles' points in out/particles.shp"
echo "(each with its .shx, .dbf, .cpg and the .prj of ETRS89 / UTM zone 29N beside it: open them"
echo "in QGIS as they are); out/estuary.png shows them."

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting Tesselar."
    exec build/release/src/forms/tesselar
fi
echo "There is no display here to show the window on; on a desktop, start it with"
echo "build/release/src/forms/tesselar"
