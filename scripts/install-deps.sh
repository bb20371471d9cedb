#!/usr/bin/env bash
# Installs the Debian packages Tesselar needs to build, run and test, when any is missing.
# Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation
    libgtest-dev libgmock-dev libcli11-dev
    libproj-dev proj-data libsqlite3-dev libflatbuffers-dev flatbuffers-compiler
    gdal-bin python3-gdal sqlite3 python3 python3-pyshp python3-matplotlib shapelib libshp-dev acl
    clang libclang-rt-14-dev clang-format
    libnetcdf-dev netcdf-bin python3-netcdf4 python3-qgis parallel
    xvfb xauth hyperfine desktop-file-utils valgrind
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "install-deps: these packages are missing and there is no sudo to install them: ${missing[*]}" >&2
    exit 1
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
