#!/usr/bin/env bash
# Sets everything up, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build="${VORLAT_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
if [ -n "${VORLAT_SANITIZE:-}" ]; then
    # Whole stacks, so that the suppressions can name the library a leak comes from.
    export ASAN_OPTIONS="fast_unwind_on_malloc=0:${ASAN_OPTIONS:-}"
    export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:${LSAN_OPTIONS:-}"
    export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
fi
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
