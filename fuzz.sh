#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) in build-fuzz/ and runs each for the
# given number of seconds (default 60), one after the other. What they find stays in
# build-fuzz/fuzz/corpus/<target>/ for the next run; an input that fails a target is saved as
# build-fuzz/fuzz/findings/<target>/crash-* and named at the end.
# Usage: ./fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
shift || true
build=$here/build-fuzz

"$here/scripts/install-deps.sh"
"$here/scripts/configure-fuzz.sh" "$build"
cmake --build "$build" --target kavro_fuzzers -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$here"/fuzz/*Fuzz.cpp; do
        name=$(basename "$source" .cpp)
        [ -x "$build/fuzz/$name" ] && targets+=("$name")
    done
fi
echo "Fuzzing ${#targets[@]} targets for ${seconds}s each"

export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}${UBSAN_OPTIONS:+:}print_stacktrace=1:halt_on_error=1"
failed=()
for name in "${targets[@]}"; do
    corpus=$build/fuzz/corpus/$name
    findings=$build/fuzz/findings/$name
    mkdir -p "$corpus" "$findings"
    echo "== $name"
    if ! "$build/fuzz/$name" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$here/fuzz/corpus/$name" 2>"$findings/last-run.log"; then
        failed+=("$name")
        grep -E "ERROR|SUMMARY|fuzz check failed|runtime error" "$findings/last-run.log" | head -5 || true
    fi
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$findings/last-run.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failing inputs found by: ${failed[*]} (see $build/fuzz/findings/)"
    echo "Reproduce one with: $build/fuzz/<target> <crash file>"
    exit 1
fi
echo "No failures"
