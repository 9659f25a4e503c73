#!/bin/bash
# The content generator: the build's KARVELD.DTF is what two fresh runs write, byte for byte.
build="$1"
gen="$build/tools/content/karveld-content"
[ -x "$gen" ] || exit 77
[ -f "$build/KARVELD.DTF" ] || { echo "no KARVELD.DTF beside karveld"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$gen" "$tmp/a.dtf" || exit 1
(cd "$tmp" && "$gen" b.dtf) || exit 1
cmp "$tmp/a.dtf" "$tmp/b.dtf" || { echo "two runs differ"; exit 1; }
cmp "$tmp/a.dtf" "$build/KARVELD.DTF" || { echo "the build's archive differs from a fresh run"; exit 1; }
head -c 4 "$tmp/a.dtf" | grep -q DTFF || { echo "no DTFF magic"; exit 1; }
"$gen" 2>/dev/null; [ $? -eq 2 ] || { echo "missing argument must exit 2"; exit 1; }
"$gen" "$tmp/c.dtf" --bogus 2>/dev/null; [ $? -eq 2 ] || { echo "unknown option must exit 2"; exit 1; }
exit 0
