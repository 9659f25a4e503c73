#!/usr/bin/env bash
# karveld-capture --video carries the soundtrack: an audio stream as long as the frames, not silent.
set -u
build=$1
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || exit 77
[ -x "$build/karveld-capture" ] && [ -s "$build/velmoria.xm" ] || exit 77
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$tmp"
# The smallest archive: magic, one member "A" whose stream has length 0.
printf 'DTFF\001\000\000\000A\000\000\000\000\000\000\000\000\000\026\000\000\000\000\000\000\000' \
    > KARVELD.DTF
cp "$build/dodovo5.xm" "$build/velmoria.xm" .
# Slot 6 plays after the switch to the second song.
SDL_AUDIODRIVER=dummy timeout 120 "$build/karveld-capture" --scene 6 --video out.mp4 --size 64x48 \
    2>err.txt || fail "capture failed: $(cat err.txt)"
[ -s out.mp4 ] || fail "no video"
ls out.mp4.* >/dev/null 2>&1 && fail "temporary files left: $(ls out.mp4.*)"
streams=$(ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 out.mp4)
video=$(echo "$streams" | awk -F, '$1=="video"{print $2}')
audio=$(echo "$streams" | awk -F, '$1=="audio"{print $2}')
[ -n "$video" ] && [ -n "$audio" ] || fail "streams: $streams"
awk -v v="$video" -v a="$audio" 'BEGIN { d = v - a; if (d < 0) d = -d; exit !(d < 0.05) }' \
    || fail "audio $audio s against video $video s"
mean=$(ffmpeg -i out.mp4 -af volumedetect -f null - 2>&1 | sed -n 's/.*mean_volume: \(-*[0-9.]*\) dB.*/\1/p')
awk -v m="$mean" 'BEGIN { exit !(m > -40) }' || fail "audio too quiet: mean $mean dB"

# Without the songs the video still has its (silent) soundtrack.
rm dodovo5.xm velmoria.xm
SDL_AUDIODRIVER=dummy timeout 120 "$build/karveld-capture" --scene 1 --video quiet.webm --size 64x48 \
    2>err.txt || fail "capture without songs failed: $(cat err.txt)"
ffprobe -v error -show_entries stream=codec_type -of csv=p=0 quiet.webm | grep -q audio \
    || fail "webm without an audio stream"
exit 0
