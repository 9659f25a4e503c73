#!/usr/bin/env bash
# The build places both songs beside karveld, and composing them again gives the same bytes.
set -euo pipefail
build=$1
gen=$build/tools/music/karveld-music
[ -x "$gen" ] || exit 77
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$gen" "$tmp"
for song in dodovo5.xm velmoria.xm; do
    [ -s "$build/$song" ] || { echo "$song missing beside karveld"; exit 1; }
    cmp "$build/$song" "$tmp/$song" || { echo "$song differs from a fresh composition"; exit 1; }
done
# Wrong use is an error, not a crash.
if "$gen" 2>/dev/null; then echo "karveld-music without a folder succeeded"; exit 1; fi
if "$gen" "$tmp/no/such/folder" 2>/dev/null; then echo "writing into a missing folder succeeded"; exit 1; fi
exit 0
