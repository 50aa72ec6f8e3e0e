#!/usr/bin/env bash
# Builds Kavro from this checkout and runs every test. Installs missing Debian packages first.
# Then the whole suite runs again under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and every fuzz target tries its seeds and a fixed number of further inputs
# (build-fuzz/). KAVRO_TEST_STAGES chooses stages (default "main asan fuzz").
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stages=" ${KAVRO_TEST_STAGES:-main asan fuzz} "
jobs=$(nproc)
failed=()

if [[ $stages == *" main "* ]]; then
    "$here/scripts/build.sh" "$here/build"
    (cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 300) || failed+=(main)
fi

if [[ $stages == *" asan "* ]]; then
    # Leak checks stay on, for the Qt tests too. Set for the build as well: test discovery runs
    # the test programs.
    export ASAN_OPTIONS="detect_leaks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    "$here/scripts/build.sh" "$here/build-asan" -DKAVRO_SANITIZE=ON -DKAVRO_BUILD_BENCH=OFF
    (cd "$here/build-asan" && ctest --output-on-failure -j "$jobs" --timeout 900) || failed+=(asan)
    unset ASAN_OPTIONS UBSAN_OPTIONS
fi

if [[ $stages == *" fuzz "* ]]; then
    "$here/scripts/install-deps.sh"
    "$here/scripts/configure-fuzz.sh" "$here/build-fuzz"
    cmake --build "$here/build-fuzz" --target kavro_fuzzers -j "$jobs"
    (cd "$here/build-fuzz" && ctest --output-on-failure -j "$jobs" -L fuzz) || failed+=(fuzz)
fi

if ((${#failed[@]})); then
    echo "Failed: ${failed[*]}" >&2
    exit 1
fi
