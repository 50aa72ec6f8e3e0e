#!/usr/bin/env bash
# Makes the README's screenshots in docs/screenshots/: a fresh demo folder from a build's staged
# program, then Kavro's main window on it on a private Xvfb with the simulated cabinets, driven
# and grabbed by kavro-demo --screenshots.
# Usage: tools/kavro-demo/screenshots.sh [--language en|zh] [--scale 1|2] [--main-window] [BUILD_FOLDER]
#   --language  the language file the demo folder starts with (default en)
#   --scale     the desktop's scale: QT_SCALE_FACTOR of this run, on a screen as many times larger
#               (default 1; Kavro itself never reads it, Qt does)
#   --main-window  only the main window, as main-window-LANGUAGE-SCALEx.png in the screen's own
#               pixels; otherwise every picture of the tour (names suffixed -LANGUAGE-SCALEx
#               unless English at scale 1)
# BUILD_FOLDER defaults to build, already built.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
language=en
scale=1
main_window=""
build_arg=""
while [ $# -gt 0 ]; do
    case "$1" in
        --language) language=${2:-}; shift 2 ;;
        --scale) scale=${2:-}; shift 2 ;;
        --main-window) main_window=yes; shift ;;
        -*) echo "screenshots.sh: unknown option $1" >&2; exit 2 ;;
        *) build_arg=$1; shift ;;
    esac
done
case "$language" in
    en) language_file=language.eng ;;
    zh) language_file=language.cht ;;
    *) echo "screenshots.sh: --language is en or zh" >&2; exit 2 ;;
esac
case "$scale" in
    1 | 2) ;;
    *) echo "screenshots.sh: --scale is 1 or 2" >&2; exit 2 ;;
esac
build=$(cd "${build_arg:-$here/build}" && pwd)
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

mkdir -p "$work/demo" "$work/out"
cp -P "$stage/Kavro" "$stage"/libtorvex.so* "$work/demo/"
cp -r "$stage/Language" "$work/demo/"
# The settings the demo would give the folder (the take-out log on), with the language; kavro-demo
# keeps a settings file that is there and words its log in that language.
mkdir -p "$work/demo/Data"
printf '[System]\r\nLanguageName=%s\r\nRetrieveLog=1\r\n' "$language_file" >"$work/demo/Data/Kavro.ini"
"$stage/kavro-demo" "$work/demo"

# A screen as large in window units at every scale, so the window fits it.
n=99
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "$((1280 * scale))x$((800 * scale))x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xwininfo -root -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$work/registry" "$here/docs/screenshots"
# The demo folder's own simulator file: the drive cabinet's discs have content to catalogue.
DISPLAY=":$n" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
    TORVEX_SIMULATOR="$work/demo/Data/demo-cabinets.sim" KAVRO_REGISTRY_ROOT="$work/registry" \
    "$stage/kavro-demo" --screenshots "$work/demo" "$work/out" ${main_window:+--main-window} >/dev/null

suffix=""
[ "$language/$scale" = en/1 ] || suffix="-$language-${scale}x"
for picture in "$work"/out/*.png; do
    name=$(basename "$picture" .png)
    if [ -n "$main_window" ]; then
        target="$here/docs/screenshots/main-window-$language-${scale}x.png"
    else
        target="$here/docs/screenshots/$name$suffix.png"
    fi
    cp "$picture" "$target"
    echo "$target"
done
