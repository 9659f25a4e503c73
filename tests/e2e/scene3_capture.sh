#!/usr/bin/env bash
# Scene 3 from the content pack: the title, the glow, the battle in front of the dying title
# and the flare, in both depths and at odd frame sizes.
set -u
build=$1
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$build/KARVELD.DTF" ] || fail "no content pack in $build"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build" || exit 1
./karveld-capture --scene 3 --at 0.5 --at 3.8 --at 20 --out "$out" >/dev/null || fail "capture failed"
for t in 0.5 3.8 20; do
    # A black 640 x 480 frame compresses to well under 2 KB; a drawn one does not.
    [ "$(stat -c %s "$out/s03-t$t.png")" -gt 8000 ] || fail "t=$t looks blank"
done
cmp -s "$out/s03-t0.5.png" "$out/s03-t3.8.png" && fail "the title does not move"
./karveld-capture --scene 3 --at 0.5 --out "$out/p8.png" --8bit >/dev/null || fail "8-bit capture failed"
[ "$(stat -c %s "$out/p8.png")" -gt 8000 ] || fail "8-bit title looks blank"
for size in 64x48 321x241; do
    for depth in "" --8bit; do
        ./karveld-capture --scene 3 --at 3.8 --size $size $depth --out "$out/small.png" >/dev/null ||
            fail "capture at $size $depth failed"
    done
done
echo "1 passed, 0 failed"
