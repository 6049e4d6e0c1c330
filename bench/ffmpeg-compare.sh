#!/usr/bin/env bash
# Compares our Video 1 export with ffmpeg's msvideo1 encoder on the very same frames.
#
# Runs export_bench (a 40-round 501 match, about 20 minutes), keeps its uncompressed video
# as the raw frames, encodes those with ffmpeg's msvideo1 encoder, and prints both times,
# the speed ratio, both file sizes and both PSNRs against the raw frames.
#
# Our export puts a key frame every 15 frames (one a second). ffmpeg's encoder starts a key
# frame once keyint_min frames have passed since the last one (26 frames apart by default);
# it is run with -keyint_min 14 so that both files carry a key frame every 15 frames, since
# key frames make up most of the bytes.
#
# usage: bench/ffmpeg-compare.sh BUILD_DIR [WORK_DIR]
#   WORK_DIR keeps the videos (about 6 GB); without it a temporary folder is used and removed.
set -euo pipefail

build="${1:?usage: ffmpeg-compare.sh BUILD_DIR [WORK_DIR]}"
work="${2:-}"
cleanup=""
if [[ -z "$work" ]]; then
    work="$(mktemp -d)"
    cleanup="$work"
fi
trap '[[ -n "$cleanup" ]] && rm -rf "$cleanup"' EXIT
mkdir -p "$work"

key_every=15
"$build/bench/export_bench" --keep "$work" | tee "$work/bench.txt"

line="$(grep -E '^long +video1 ' "$work/bench.txt")"
frames="$(awk '{print $5}' <<<"$line")"
ours_s="$(grep -oE '[0-9.]+ s ' <<<"$line" | head -1 | awk '{print $1}')"

raw="$work/uncompressed.avi"
theirs="$work/ffmpeg-msvideo1.avi"
start=$(date +%s.%N)
ffmpeg -nostdin -v error -y -i "$raw" -c:v msvideo1 -keyint_min $((key_every - 1)) "$theirs"
end=$(date +%s.%N)
theirs_s=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')

psnr() {
    ffmpeg -nostdin -i "$1" -i "$raw" \
        -lavfi "[0:v]format=bgr0[a];[1:v]format=bgr0[b];[a][b]psnr" -f null - 2>&1 |
        grep -oE 'average:[0-9.inf]+' | tail -1 | cut -d: -f2
}

ours_size=$(stat -c %s "$work/video1.avi")
ffmpeg_keys=$(ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 "$theirs" | grep -c K)
theirs_size=$(stat -c %s "$theirs")
ours_psnr=$(psnr "$work/video1.avi")
theirs_psnr=$(psnr "$theirs")

awk -v f="$frames" -v os="$ours_s" -v ts="$theirs_s" -v oz="$ours_size" -v tz="$theirs_size" \
    -v op="$ours_psnr" -v tp="$theirs_psnr" -v fk="$ffmpeg_keys" 'BEGIN {
    printf "\n%d frames, 320 x 240\n", f
    printf "ours   (paint + encode + write): %8.3f s %9.0f frames/s %11d bytes  PSNR %s dB\n", os, f / os, oz, op
    printf "ffmpeg msvideo1 (decode raw + encode + write): %8.3f s %9.0f frames/s %11d bytes  PSNR %s dB\n", ts, f / ts, tz, tp
    printf "ffmpeg wrote %d key frames\n", fk
    printf "speed ratio ours/ffmpeg: %.1f x   size ratio ours/ffmpeg: %.2f\n", ts / os, oz / tz
}'
