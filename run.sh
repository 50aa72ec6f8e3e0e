#!/usr/bin/env bash
# Builds Kavro, shows the changer library at work on the simulated demo cabinets, then starts
# Kavro (on a private Xvfb with a screenshot when there is no display).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/build.sh" "$here/build"
stage="$here/build/stage"
demo="$here/torvex/sim/demo-cabinets.sim"

# torvexctl on the simulated demo cabinets. Simulated cabinets live for one torvexctl run, so
# steps that build on each other go into one run, separated by ';'.
torvexctl_demo() {
    local id=0x0A0B0C
    ctl() {
        local shown="$*"
        echo "\$ torvexctl --simulate demo-cabinets.sim ${shown// ; / \';\' }"
        "$stage/torvexctl" --simulate "$demo" "$@" || true
    }
    ctl list
    ctl move $id 5 ';' wait $id ';' load $id 7 ';' wait $id ';' drive $id ';' eject $id ';' wait $id ';' drive $id
    echo
}
torvexctl_demo

# Kavro itself runs in the demo program folder build/demo. Kavro's program folder is the folder
# of its executable, so the staged program files are copied there (a link would lead back to
# build/stage) and refreshed on every run; a running Kavro keeps the file it started from. Only
# when the folder has no catalogue yet does kavro-demo give it the demo catalogue, so what the
# person changed there (catalogue, settings, logs) stays from run to run.
demo_folder="$here/build/demo"
prepare_demo_folder() {
    mkdir -p "$demo_folder/Language"
    local path name
    for path in "$stage/Kavro" "$stage"/libtorvex.so*; do
        name=$(basename "$path")
        cp -P "$path" "$demo_folder/.$name.new"
        mv -f "$demo_folder/.$name.new" "$demo_folder/$name"
    done
    cp "$stage"/Language/* "$demo_folder/Language/"
    "$stage/kavro-demo" "$demo_folder"
}
prepare_demo_folder

real_cabinet_plugged() {
    local device
    for device in /sys/bus/usb/devices/*; do
        [[ "$(cat "$device/idVendor" 2>/dev/null)" == 04b4 &&
           "$(cat "$device/idProduct" 2>/dev/null)" == 5a9b ]] && return 0
    done
    return 1
}

start_kavro() {
    if real_cabinet_plugged; then
        echo "A cabinet (04b4:5a9b) is plugged in: Kavro talks to it over USB."
        unset TORVEX_SIMULATOR
    else
        echo "No cabinet plugged in: Kavro uses the simulated demo cabinets."
        # The demo folder's own file gives the drive cabinet's discs their content.
        if [ -f "$demo_folder/Data/demo-cabinets.sim" ]; then
            export TORVEX_SIMULATOR="$demo_folder/Data/demo-cabinets.sim"
        else
            export TORVEX_SIMULATOR="$demo"
        fi
    fi
    # The start-up password lives in the machine-wide store (/etc/kavro/registry), which only
    # root may write: for anyone else the password dialog says "Set password wrong !!!".

    if [ -n "${DISPLAY:-}" ]; then
        echo "Starting Kavro on $DISPLAY; it runs until you close its window."
        "$demo_folder/Kavro"
        return
    fi
    screenshot_headless
}

# Without a display: Kavro on a private Xvfb, one screenshot of its main window, then both stop.
kavro_pid=""
xvfb_pid=""
stop_headless() {
    if [ -n "$kavro_pid" ]; then
        kill "$kavro_pid" 2>/dev/null || true
        wait "$kavro_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    kavro_pid="" xvfb_pid=""
}

screenshot_headless() {
    local n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    local display=":$n" shot="$here/build/kavro-screenshot.png"
    trap stop_headless EXIT
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do xwininfo -root -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

    echo "No display: starting Kavro on Xvfb $display."
    DISPLAY="$display" QT_QPA_PLATFORM=xcb "$demo_folder/Kavro" &
    kavro_pid=$!
    # The main window is the program's top-level window wider than the 657-pixel splash.
    local shown=""
    for _ in $(seq 300); do
        kill -0 "$kavro_pid" 2>/dev/null || break
        if xwininfo -root -tree -display "$display" 2>/dev/null |
            awk '/\("Kavro" / { split($0, a, ") "); split(a[2], g, "x"); if (g[1] + 0 > 657) found = 1 }
                 END { exit !found }'; then
            shown=yes
            break
        fi
        sleep 0.1
    done
    if [ -z "$shown" ]; then
        echo "Kavro did not show its main window (see $demo_folder/Data/kavro.log)." >&2
        stop_headless
        return 1
    fi
    # Kavro lists every disc a moment after its window first shows. The picture is taken once the
    # screen has changed from the first painted window (the list filled) and then holds still.
    local first="$here/build/.kavro-screen-first.png" now="$here/build/.kavro-screen-now.png"
    local next="$here/build/.kavro-screen-next.png"
    grab() { import -display "$display" -window root "$1"; }
    # The number of pixels in which two pictures differ.
    pixels_apart() { (compare -metric AE "$1" "$2" null: 2>&1 >/dev/null || true) | awk '{ print int($1) }'; }
    sleep 0.5
    grab "$first"
    local filled=""
    for _ in $(seq 60); do
        sleep 0.25
        grab "$now"
        # A filled list changes thousands of pixels; a blinking cursor or a status text far fewer.
        if [ "$(pixels_apart "$first" "$now")" -gt 3000 ]; then
            filled=yes
            break
        fi
    done
    if [ -n "$filled" ]; then
        for _ in $(seq 20); do
            sleep 0.3
            grab "$next"
            local moved
            moved=$(pixels_apart "$now" "$next")
            mv -f "$next" "$now"
            [ "$moved" -lt 200 ] && break
        done
    else
        echo "The disc list did not show within 15 seconds; the screenshot shows the window as it is." >&2
    fi
    mv -f "$now" "$shot"
    rm -f "$first" "$next"
    echo "Screenshot of Kavro's main window: $shot"
    stop_headless
    echo "Kavro stopped after the screenshot."
}
start_kavro
