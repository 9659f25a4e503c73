#!/usr/bin/env bash
# The show in a real window under Xvfb: key presses end the slots, the banner follows, exit 0.
set -u
build=$1
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
    echo "Xvfb or xdotool missing"
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
fi
tmp=$(mktemp -d)
xvfb=""
show=""
cleanup() {
    [ -n "$show" ] && kill "$show" 2>/dev/null
    [ -f "$tmp/err.txt" ] && [ -n "${KEEP_ERR:-}" ] && cat "$tmp/err.txt"
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$tmp/out.txt" ] && cat "$tmp/out.txt"; [ -f "$tmp/err.txt" ] && tail -30 "$tmp/err.txt"; exit 1; }

# A minimal archive: magic, one member "A" of size 0 at offset 22, its stream a zero length.
printf 'DTFF\001\000\000\000A\000\000\000\000\000\000\000\000\000\026\000\000\000\000\000\000\000' \
    > "$tmp/KARVELD.DTF"

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$tmp/display")"
export SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
# X client libraries loaded at run time keep blocks that leak checkers cannot name.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

cd "$tmp"
begin=$(date +%s)
timeout 120 "$build/karveld" > out.txt 2>err.txt &
show=$!
timeout 20 xdotool search --sync --onlyvisible --name '^Karveld$' >/dev/null || fail "no window"
while kill -0 "$show" 2>/dev/null; do
    xdotool key --clearmodifiers space 2>/dev/null
    sleep 0.1
done
wait "$show"
rc=$?
show=""
elapsed=$(( $(date +%s) - begin ))
[ "$rc" -eq 0 ] || fail "exit code $rc"
grep -q '^The End.$' out.txt || fail "no banner"
tail -n 1 out.txt | grep -qx ' Ex : KARVELD -x320 -y240 -b16.' || fail "usage text not last"
# Without keys the fifteen slots take at least fifteen seconds.
[ "$elapsed" -lt 14 ] || fail "keys did not end the slots (${elapsed} s)"
echo "1 passed, 0 failed"
