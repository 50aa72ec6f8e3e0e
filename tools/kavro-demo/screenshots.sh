#!/usr/bin/env bash
# Makes the README's screenshots in docs/screenshots/: a fresh demo folder from a build's staged
# program, then Kavro's main window on it on a private Xvfb with the simulated cabinets, driven
# and grabbed by kavro-demo --screenshots.
# Usage: tools/kavro-demo/screenshots.sh [BUILD_FOLDER]   (default: build, already built)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
stage="$build/stage"
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/demo"
cp -P "$stage/Kavro" "$stage"/libtorvex.so* "$work/demo/"
cp -r "$stage/Language" "$work/demo/"
"$stage/kavro-demo" "$work/demo"

n=99
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xwininfo -root -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$work/registry"
# The demo folder's own simulator file: the drive cabinet's discs have content to catalogue.
DISPLAY=":$n" QT_QPA_PLATFORM=xcb TORVEX_SIMULATOR="$work/demo/Data/demo-cabinets.sim" \
    KAVRO_REGISTRY_ROOT="$work/registry" \
    "$stage/kavro-demo" --screenshots "$work/demo" "$here/docs/screenshots"
