#!/usr/bin/env bash
# The binary's exit codes and start-up message without an archive.
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
fail() { echo "FAIL: $*"; exit 1; }

out=$(SDL_VIDEODRIVER=dummy "$build/karveld" 2>err.txt; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "empty folder gave: $out"
[ ! -s err.txt ] || fail "a missing archive needs no reason: $(cat err.txt)"

# Options are ignored.
out=$(SDL_VIDEODRIVER=dummy "$build/karveld" -x320 -y240 -b16 -ns; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "with options: $out"

# Not an archive: wrong magic.
printf 'DTFX\001\000\000\000' > KARVELD.DTF
out=$(SDL_VIDEODRIVER=dummy "$build/karveld" 2>err.txt; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "bad magic: $out"
grep -qx 'karveld: KARVELD.DTF: not an archive: no DTFF signature' err.txt \
    || fail "bad magic reason: $(cat err.txt)"

# An archive whose directory is cut short, and one with a count its length cannot hold.
printf 'DTFF\002\000\000\000LONG_MEMBER_NAME_NUMBER_ONE\000\001\000\000\000\000\000\000\000\060\000\000\000LONG' \
    > KARVELD.DTF
out=$(SDL_VIDEODRIVER=dummy "$build/karveld" 2>err.txt; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "cut directory: $out"
grep -q 'directory cut short at entry 2 of 2' err.txt || fail "cut reason: $(cat err.txt)"
printf 'DTFF\377\000\000\000A\000' > KARVELD.DTF
SDL_VIDEODRIVER=dummy "$build/karveld" >/dev/null 2>err.txt
grep -q 'member count 255 out of range' err.txt || fail "count reason: $(cat err.txt)"

# A termination signal ends the whole show at once: exit 143, no banner.
if [ -f "$build/KARVELD.DTF" ]; then
    cp "$build/KARVELD.DTF" .
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$build/karveld" > out.txt 2>&1 &
    pid=$!
    sleep 1
    kill -TERM "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "still running 5 s after SIGTERM"; }
    wait "$pid"; rc=$?
    [ "$rc" = 143 ] || fail "SIGTERM gave exit $rc"
    grep -q "The End" out.txt && fail "banner printed after SIGTERM"
fi
echo "1 passed, 0 failed"
