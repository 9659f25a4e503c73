#!/usr/bin/env bash
# dtfpack end to end: pack a folder, list it, extract every member, and the failure paths.
set -u
build=$1
tool=$build/dtfpack
[ -x "$tool" ] || { echo "dtfpack not built"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p src/Data/sub src/SCN
head -c 50000 /dev/urandom > src/Data/noise.bin
for i in $(seq 1 2000); do echo "line $i of a text that repeats"; done > src/SCN/Scene1.scn
printf 'x' > src/one.byte
: > src/Data/sub/empty
printf 'pal' > src/SCN3.PAL

"$tool" create out.dtf src || fail "create"
[ -f out.dtf ] || fail "no archive written"
ls -a | grep -q tmp && fail "temporary file left behind"

"$tool" list out.dtf > list.txt || fail "list"
[ "$(wc -l < list.txt)" -eq 5 ] || fail "expected 5 members: $(cat list.txt)"
grep -q $'^SCN\\\\SCENE1.SCN\t' list.txt || fail "member name with backslashes: $(cat list.txt)"
grep -q $'^DATA\\\\SUB\\\\EMPTY\t0\t4\t' list.txt || fail "empty member: $(cat list.txt)"
grep -q $'^ONE.BYTE\t1\t' list.txt || fail "one-byte member"

"$tool" extract out.dtf 'Data\noise.bin' noise.out || fail "extract to file"
cmp -s noise.out src/Data/noise.bin || fail "noise differs"
"$tool" extract out.dtf 'scn\scene1.scn' > scene.out || fail "extract to stdout"
cmp -s scene.out src/SCN/Scene1.scn || fail "text differs"
"$tool" extract out.dtf 'DATA\SUB\EMPTY' empty.out || fail "extract empty"
[ -f empty.out ] && [ ! -s empty.out ] || fail "empty member"

# The text packs well; the noise does not grow by more than the format's overhead.
[ "$(stat -c %s out.dtf)" -lt 62000 ] || fail "archive too large: $(stat -c %s out.dtf)"

err=$("$tool" extract out.dtf 'NOT\THERE' 2>&1 >/dev/null); rc=$?
[ $rc -ne 0 ] || fail "missing member succeeded"
echo "$err" | grep -q "no member" || fail "missing member message: $err"

mkdir emptydir
"$tool" create empty.dtf emptydir 2>/dev/null && fail "empty folder packed"
[ -e empty.dtf ] && fail "archive left for an empty folder"
"$tool" create nowhere/x.dtf src 2>/dev/null && fail "unwritable output succeeded"
ls nowhere 2>/dev/null && fail "partial output"
"$tool" list missing.dtf 2>/dev/null && fail "listing a missing archive"
head -c 20 out.dtf > cut.dtf
"$tool" list cut.dtf 2>/dev/null && fail "listing a truncated archive"
"$tool" bogus 2>/dev/null; [ $? -eq 2 ] || fail "usage exit code"

mkdir clash && printf a > clash/a.txt && printf b > clash/A.TXT
"$tool" create clash.dtf clash 2>/dev/null && fail "case clash packed"
echo "1 passed, 0 failed"
exit 0
