#!/usr/bin/env bash
# Builds a release of Vorlat and makes its Debian package; prints the package's path.
# Install it with: sudo apt-get install ./vorlat_*.deb
# The build goes to build-package/ (or $VORLAT_PACKAGE_BUILD_DIR), apart from the
# development build, since the package wants another build type and install prefix.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VORLAT_PACKAGE_BUILD_DIR:-$root/build-package}"
bash "$root/scripts/setup.sh" >&2
generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
# The manual page names the installed examples' folder, so the prefix is the package's.
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr -DVORLAT_BUILD_TESTS=OFF -DVORLAT_BUILD_BENCH=OFF >&2
cmake --build "$build" --parallel "$(nproc)" >&2
rm -f "$build"/vorlat_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$build"/vorlat_*.deb
