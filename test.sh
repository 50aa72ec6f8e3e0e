#!/usr/bin/env bash
# Builds Kavro from this checkout and runs every test. Installs missing Debian packages first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/build.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
