#!/usr/bin/env bash
# Installs what building, running and testing Vorlat needs on a Debian machine.
# Quick when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev qt6-multimedia-dev qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libswresample-dev
    libgtest-dev googletest
    fonts-liberation2 fonts-ipafont-gothic fonts-noto-cjk
    ffmpeg desktop-file-utils appstream
    xvfb xauth xdotool groff-base file dpkg-dev shared-mime-info libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
