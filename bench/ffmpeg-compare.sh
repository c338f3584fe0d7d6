#!/usr/bin/env bash
# tarnolix-fx against ffmpeg's own filters on the same 1920x1080 frames, both on one thread:
# the negative against `negate`, the horizontal mirror against `hflip`, the mean grey against
# `colorchannelmixer`. tarnolix-fx runs its pass on the calling thread only (no band pool), and
# ffmpeg is held to one thread with -threads 1 -filter_threads 1. The frames are 24-bit
# blue-green-red on both sides, so ffmpeg inserts no conversion.
#
# Each side prints two times a frame: the whole run divided by the frames (tarnolix-fx: the
# copy of the picture into the frame and the pass; ffmpeg: reading the frame and filtering it),
# and the effect alone, the same run less a run that only passes the frames through
# (Obraznormalny1, whose pass changes nothing, and ffmpeg's `null` filter). The best of three
# runs is taken for every figure.
#
# ffmpeg is not one of Tarnolix's dependencies: without it the script says so and ends.
# usage: bench/ffmpeg-compare.sh BUILD_DIR [FRAMES]
set -euo pipefail
build=${1:?usage: bench/ffmpeg-compare.sh BUILD_DIR [FRAMES]}
frames=${2:-300}
fx=$build/tools/tarnolix-fx
if ! command -v ffmpeg > /dev/null; then
    echo "ffmpeg is not installed: no comparison made (apt-get install ffmpeg to run it)."
    exit 0
fi
if [ ! -x "$fx" ]; then
    echo "No $fx: build the project first." >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture=$work/picture.bmp
raw=$work/frame.raw
ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i testsrc2=size=1920x1080 -frames:v 1 \
    -pix_fmt bgr24 "$picture"
ffmpeg -hide_banner -loglevel error -nostdin -i "$picture" -f rawvideo -pix_fmt bgr24 "$raw"

now() { date +%s.%N; }

# The best wall time of three runs of the command, in seconds.
best_of_three() {
    local best="" start end took
    for _ in 1 2 3; do
        start=$(now)
        "$@" > /dev/null 2>&1
        end=$(now)
        took=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$took < $best" | bc -l)" = 1 ]; then best=$took; fi
    done
    echo "$best"
}

# tarnolix-fx: the time of `frames` repetitions less that of one, so that loading and saving
# the picture are left out.
fx_seconds() {
    local one many
    one=$(best_of_three "$fx" --seed 1 --repeat 1 "$1" "$picture" "$work/out.bmp")
    many=$(best_of_three "$fx" --seed 1 --repeat $((frames + 1)) "$1" "$picture" "$work/out.bmp")
    echo "$many - $one" | bc -l
}

ffmpeg_seconds() {
    best_of_three ffmpeg -hide_banner -nostdin -threads 1 -filter_threads 1 -f rawvideo -pix_fmt bgr24 \
        -s 1920x1080 -stream_loop -1 -i "$raw" -frames:v "$frames" -vf "$1" -f null -
}

ms() { printf '%.3f' "$(echo "$1 * 1000 / $frames" | bc -l)"; }

fx_through=$(fx_seconds Obraznormalny1)
ff_through=$(ffmpeg_seconds null)
echo "1920x1080, $frames frames, one thread; ms a frame (whole / effect alone)"
echo "pass-through: tarnolix-fx Obraznormalny1 $(ms "$fx_through"), ffmpeg null $(ms "$ff_through")"
printf '%-26s %-28s %18s %18s %8s\n' "tarnolix-fx effect" "ffmpeg filter" "tarnolix-fx" "ffmpeg" "ratio"
compare() {
    local fxs ffs
    fxs=$(fx_seconds "$1")
    ffs=$(ffmpeg_seconds "$3")
    printf '%-26s %-28s %8s / %7s %8s / %7s %8s\n' "$1" "$2" "$(ms "$fxs")" "$(ms "$(echo "$fxs - $fx_through" | bc -l)")" \
        "$(ms "$ffs")" "$(ms "$(echo "$ffs - $ff_through" | bc -l)")" "$(printf '%.2f' "$(echo "$ffs / $fxs" | bc -l)")"
}
compare Negatyw1 negate negate
compare Lustrzaneodbiciepoziome1 hflip hflip
compare Odcienieszaroci1 "colorchannelmixer (mean)" \
    colorchannelmixer=.333:.334:.333:0:.333:.334:.333:0:.333:.334:.333
echo "ratio: ffmpeg's whole time over tarnolix-fx's (above 1: tarnolix-fx is faster)"
