#!/usr/bin/env bash
# karveld-capture --video: a finished run leaves the video only; a run ended by a signal
# leaves nothing, not even its encoder; planted links at guessable names are not followed.
set -u
build=$1
fail() { echo "FAIL: $*"; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not installed"; exit 77; }
[ -f "$build/KARVELD.DTF" ] || fail "no content pack in $build"
out=$(mktemp -d)
trap 'rm -rf "$out" "$out.err"' EXIT
cd "$build" || exit 1
printf victim > "$out/victim"
for name in v.mp4.part.mp4 v.mp4.part.wav v.part.mp4.av.mp4 .v.mp4; do
    ln -s "$out/victim" "$out/$name"
done
planted() { ls -A "$out" | grep -v -x -e victim -e v.mp4.part.mp4 -e v.mp4.part.wav \
    -e v.part.mp4.av.mp4 -e .v.mp4; }

./karveld-capture --scene 1 --video "$out/v.mp4" --size 64x48 --fps 5 2>"$out.err" \
    || fail "video run failed: $(cat "$out.err")"
[ "$(planted)" = v.mp4 ] || fail "after a finished run: $(ls -A "$out")"
[ -s "$out/v.mp4" ] || fail "empty video"
rm -f "$out/v.mp4" "$out.err"

# Many large frames per second of show time keep the encoder busy long enough to interrupt.
./karveld-capture --scene 1 --video "$out/v.mp4" --fps 1000 2>/dev/null &
pid=$!
for _ in $(seq 1 600); do
    ls -A "$out" | grep -q '^\.v\..*\.mp4$' && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
ls -A "$out" | grep -q '^\.v\..*\.mp4$' || fail "the run never started its video: $(ls -A "$out")"
kill -TERM $pid
wait $pid
rc=$?
[ $rc -eq 143 ] || fail "exit status $rc after SIGTERM"
[ -z "$(planted)" ] || fail "left behind: $(planted)"
pgrep -f "$out/" >/dev/null && fail "the encoder outlived the run"
[ "$(cat "$out/victim")" = victim ] || fail "a planted link was written through"
echo "1 passed, 0 failed"
exit 0
