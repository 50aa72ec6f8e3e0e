#!/bin/sh
# Runs one fuzz target over its seed corpus and then on its own, as the options say, keeping
# what it finds out of the source tree.
# Usage: run-fuzzer.sh FUZZER SEEDS WORK [libFuzzer options...]
#   WORK is emptied first; new inputs go to WORK/found, a failing input to WORK/crash-*.
set -eu
fuzzer=$1 seeds=$2 work=$3
shift 3
rm -rf "$work"
mkdir -p "$work/found"
# Leak checks stay on: every target runs only our own code.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}${UBSAN_OPTIONS:+:}print_stacktrace=1:halt_on_error=1"
exec "$fuzzer" -artifact_prefix="$work/" -timeout=20 -print_final_stats=1 "$@" "$work/found" "$seeds"
