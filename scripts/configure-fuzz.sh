#!/usr/bin/env bash
# Configures a build folder for the fuzz targets: clang with libFuzzer, ASan and UBSan; the
# tests and benchmarks are left out, and only the libraries the targets need get built.
# Usage: scripts/configure-fuzz.sh BUILD_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-fuzz"}
# A folder first configured with another compiler cannot switch to clang.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^KAVRO_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "$build was not configured for fuzzing; remove it first" >&2
    exit 1
fi
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRO_FUZZ=ON \
    -DKAVRO_BUILD_TESTS=OFF -DKAVRO_BUILD_BENCH=OFF >/dev/null
