#!/usr/bin/env bash
# Sets everything up, builds, and runs every test. VORLAT_SANITIZE=address,undefined runs
# the same suite with those sanitizers; VORLAT_SANITIZE=thread builds and runs only the
# tests where our threads meet under ThreadSanitizer: the engine's by default, or the test
# programs named in VORLAT_TSAN_TARGETS (e.g. "engine_tests app_tests video_tests").
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
build="${VORLAT_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
# A test that hangs fails after this many seconds instead of holding up the whole run; the
# slowest ones take well under a minute, under the sanitizers too.
timeout="${VORLAT_TEST_TIMEOUT:-600}"
if [ "${VORLAT_SANITIZE:-}" = thread ]; then
    generator=()
    if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
        generator=(-G Ninja)
    fi
    cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVORLAT_SANITIZE=thread -DVORLAT_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" --parallel "$(nproc)" --target ${VORLAT_TSAN_TARGETS:-engine_tests}
    # Qt and glib were not built with the detector; their own reports are dropped by library
    # name (see the file), ours all stay. A report fails the test.
    export TSAN_OPTIONS="suppressions=$root/tests/support/tsan-libraries.supp:halt_on_error=0:exitcode=66:${TSAN_OPTIONS:-}"
    cd "$build"
    # Only the targets built above have discovered tests; the others stand as NOT_BUILT.
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout "$timeout" \
        --exclude-regex _NOT_BUILT "$@"
fi
bash "$root/scripts/build.sh"
if [ -n "${VORLAT_SANITIZE:-}" ]; then
    # Whole stacks, so that the suppressions can name the library a leak comes from.
    export ASAN_OPTIONS="fast_unwind_on_malloc=0:${ASAN_OPTIONS:-}"
    export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:${LSAN_OPTIONS:-}"
    export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
fi
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout "$timeout" "$@"
