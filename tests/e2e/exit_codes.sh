#!/usr/bin/env bash
# The binary's exit codes and start-up message without an archive.
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
fail() { echo "FAIL: $*"; exit 1; }

out=$(SDL_VIDEODRIVER=dummy "$build/karveld"; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "empty folder gave: $out"

# Options are ignored.
out=$(SDL_VIDEODRIVER=dummy "$build/karveld" -x320 -y240 -b16 -ns; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "with options: $out"

# Not an archive: wrong magic.
printf 'DTFX\001\000\000\000' > KARVELD.DTF
out=$(SDL_VIDEODRIVER=dummy "$build/karveld"; echo "rc=$?")
[ "$out" = $'KARVELD.DTF not found.\nrc=255' ] || fail "bad magic: $out"
echo "1 passed, 0 failed"
