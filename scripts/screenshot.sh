#!/usr/bin/env bash
# Starts Vorlat in a virtual display and saves a picture of its window, for a person to look
# at without a desktop, and for the README.
# usage: scripts/screenshot.sh [OUT.png] [SCORE.txt]
# The window speaks the language the locale chooses: LANGUAGE=ja for the Japanese window.
# With VORLAT_NO_BUILD=1 the program already built is used as it is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-vorlat.png}")"
score="${2:-}"
if [ -n "$score" ]; then
    score="$(realpath "$score")"
fi
build="${VORLAT_BUILD_DIR:-$root/build}"
if [ "${VORLAT_NO_BUILD:-0}" != 1 ]; then
    bash "$root/scripts/setup.sh"
    bash "$root/scripts/build.sh"
fi

# A runtime folder of its own: a Vorlat already running for this user would otherwise be
# handed the file, and this one would end at once.
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
export VORLAT_SHOT_PROGRAM="$build/app/vorlat" VORLAT_SHOT_OUT="$out" VORLAT_SHOT_SCORE="$score"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    set -euo pipefail
    if [ -n "$VORLAT_SHOT_SCORE" ]; then
        "$VORLAT_SHOT_PROGRAM" "$VORLAT_SHOT_SCORE" &
    else
        "$VORLAT_SHOT_PROGRAM" &
    fi
    program=$!
    window="$(xdotool search --sync --onlyvisible --name "^Vorlat")"
    # The preview is painted by the engine a moment after the window maps.
    sleep 2
    # The window'"'"'s rectangle of the screen, taken with ffmpeg'"'"'s X11 grabber (installed with
    # the rest), so that no image tool beyond it is needed.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    ffmpeg -loglevel error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" \
        -i "${DISPLAY}+${X},${Y}" -frames:v 1 "$VORLAT_SHOT_OUT"
    kill "$program"'
echo "$out"
