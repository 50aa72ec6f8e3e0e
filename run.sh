#!/usr/bin/env bash
# Builds Kavro and shows the changer library at work on the simulated demo cabinets.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/build.sh" "$here/build"
stage="$here/build/stage"
demo="$here/torvex/sim/demo-cabinets.sim"
ctl() { echo "\$ torvexctl --simulate demo-cabinets.sim $*"; "$stage/torvexctl" --simulate "$demo" "$@" || true; }
ctl list
