#!/usr/bin/env bash
# Makes a few small media files with ffmpeg and stores the description ffmpeg
# prints for each ("ffmpeg -hide_banner -i <file>") under tests/media/fixtures/.
# The probe tests parse these texts, so they show what a real converter prints.
# The temporary folder in the printed paths becomes "/videos" and the memory
# addresses in log prefixes one fixed address, so the texts do not change from
# one run to the next except where ffmpeg itself changes.
#
#   scripts/make-media-fixtures.sh [path of ffmpeg]
set -euo pipefail

ffmpeg=${1:-ffmpeg}
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/tests/media/fixtures"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Two seconds of test picture and tone; every file below is made from these.
video() { echo -f lavfi -i "testsrc=size=$1:rate=25:duration=2"; }
tone() { echo -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2"; }

make() {
    local name=$1
    shift
    "$ffmpeg" -hide_banner -loglevel error -y "$@" -fflags +bitexact -flags:v +bitexact \
        -flags:a +bitexact "$work/$name"
}

# H.264 and AAC in MP4: every stream line carries its bit rate.
make h264_aac.mp4 $(video 320x240) $(tone) -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac -b:a 64k -shortest
# Matroska: no stream bit rates, per-stream DURATION tags in upper case.
make matroska.mkv $(video 320x240) $(tone) -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a libvorbis -shortest
# MPEG program stream: the video line has no bit rate, the audio line has one.
make program.mpg $(video 352x288) $(tone) -c:v mpeg2video -b:v 800k -c:a mp2 -b:a 128k -shortest
# Audio only: no frame size at all.
make audio_only.m4a $(tone) -c:a aac -b:a 96k
# Portrait frame.
make portrait.mp4 $(video 180x320) -c:v libx264 -preset ultrafast -pix_fmt yuv420p
# Two video streams of different shapes: width and height come from different lines.
make two_video.mp4 $(video 320x240) $(video 200x400) -map 0:v -map 1:v -c:v libx264 \
    -preset ultrafast -pix_fmt yuv420p -b:v:0 300k -b:v:1 100k
# MPEG transport stream: codec tags written only as 0x..., stream ids as [0x100].
make transport.ts $(video 320x240) $(tone) -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a mp2 -shortest
# AVI: codec tags "FMP4 / 0x34504D46" and "[1][0][0][0] / 0x0001".
make tagged.avi $(video 320x240) $(tone) -c:v mpeg4 -c:a pcm_s16le -shortest
# Raw packed RGB, as vid.stab cannot take it.
make packed.mov $(video 320x240) -c:v rawvideo -pix_fmt rgb24
# A cover picture larger than the video, as a second video stream.
make cover.mp4 $(video 320x180) -f lavfi -i "testsrc=size=1000x1000:duration=0.04" -map 0 -map 1 \
    -c:v:0 libx264 -preset ultrafast -pix_fmt:v:0 yuv420p -c:v:1 png -disposition:v:1 attached_pic
# Sound with a cover picture and no video.
make song.mp3 $(tone) -f lavfi -i "testsrc=size=200x200:duration=0.04" -map 0 -map 1 \
    -c:a libmp3lame -c:v mjpeg -disposition:v attached_pic
# A phone's portrait clip: landscape frames, the track turned a quarter. The
# converter cannot write the turn, so the matrix 48 bytes into the track
# header (the first "tkhd" box, moov being first) is set by hand.
make turned.mp4 $(video 320x180) -c:v libx264 -preset ultrafast -pix_fmt yuv420p -movflags +faststart
tkhd=$(grep -obUa tkhd "$work/turned.mp4" | head -1 | cut -d: -f1)
printf '\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00' |
    dd of="$work/turned.mp4" bs=1 seek=$((tkhd - 4 + 48)) conv=notrunc status=none
# Something ffmpeg cannot open, and a file that is not there.
printf 'not a video\n' >"$work/not_media.mp4"

describe() {
    local file=$1 name=$2
    # ffmpeg ends with status 1 here: it was given no output file.
    (cd "$work" && "$ffmpeg" -hide_banner -i "$work/$file" 2>&1 || true) |
        sed -e "s|$work|/videos|g" -e 's/ @ 0x[0-9a-f]*\]/ @ 0x55d5c0a1b2c0]/' >"$out/$name.txt"
    echo "$out/$name.txt"
}

for f in h264_aac.mp4 matroska.mkv program.mpg audio_only.m4a portrait.mp4 two_video.mp4 \
    transport.ts tagged.avi packed.mov cover.mp4 song.mp3 turned.mp4 not_media.mp4; do
    describe "$f" "${f%.*}"
done
describe missing.mp4 missing
