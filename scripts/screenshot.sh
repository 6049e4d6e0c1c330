#!/usr/bin/env bash
# Starts Vorlat in a virtual display and saves a screenshot of it, for a person to look at
# without a desktop. usage: scripts/screenshot.sh [OUT.png]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-vorlat.png}"
bash "$root/scripts/setup.sh"
for p in xvfb xauth imagemagick; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        apt-get install -y -qq --no-install-recommends xvfb xauth imagemagick
        break
    fi
done
bash "$root/scripts/build.sh"
build="${VORLAT_BUILD_DIR:-$root/build}"
xvfb-run -a -s "-screen 0 480x400x24" sh -c \
    "'$build/app/vorlat' & p=\$!; sleep 3; import -window root '$out'; kill \$p"
echo "$out"
