#!/usr/bin/env bash
# Builds Kavro and shows the changer library at work on the simulated demo cabinets.
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
