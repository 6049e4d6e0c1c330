#!/usr/bin/env bash
# Sets everything up, builds, and starts Vorlat.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build="${VORLAT_BUILD_DIR:-$root/build}"
if [ -x "$build/app/vorlat" ]; then
    exec "$build/app/vorlat" "$@"
fi
exec "$build/app/vorlat-cli" dump "$root/examples/501-timed.txt"
