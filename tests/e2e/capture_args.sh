#!/usr/bin/env bash
# karveld-capture: bad arguments print the usage on standard error and exit 2.
set -u
build=$1
fail() { echo "FAIL: $*"; exit 1; }
for args in "--bogus" "--scene 99" "--size 10x10" "--at 1"; do
    # shellcheck disable=SC2086
    err=$("$build/karveld-capture" $args 2>&1 >/dev/null)
    rc=$?
    [ "$rc" -eq 2 ] || fail "'$args' exited $rc"
    echo "$err" | grep -q '^usage: karveld-capture' || fail "'$args' printed no usage"
done
echo "1 passed, 0 failed"
