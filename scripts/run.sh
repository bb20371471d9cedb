#!/usr/bin/env bash
# Installs what is missing, builds Tesselar and converts the shipped example with
# tesselar-convert.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release
mkdir -p out
build/release/cli/tesselar-convert \
    -x examples/estuary/grid_x.dat -y examples/estuary/grid_y.dat \
    -a Temperature=examples/estuary/temperature.dat -a Salinity=examples/estuary/salinity.dat \
    -o out/estuary.shp
echo "The shape file is out/estuary.shp (with out/estuary.shx, .dbf and .cpg)."
