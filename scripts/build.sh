#!/usr/bin/env bash
# Configures and builds into build/ (or $VORLAT_BUILD_DIR). VORLAT_SANITIZE=address,undefined
# (or thread) builds with those sanitizers and without the benchmarks.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VORLAT_BUILD_DIR:-$root/build}"
generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ -n "${VORLAT_SANITIZE:-}" ]; then
    options+=(-DVORLAT_SANITIZE="$VORLAT_SANITIZE" -DVORLAT_BUILD_BENCH=OFF)
fi
cmake -S "$root" -B "$build" "${generator[@]}" "${options[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
