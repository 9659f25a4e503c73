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
[ -z "$(ls -A | grep -e tmp -e '^\.')" ] || fail "temporary file left behind: $(ls -A)"

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

# Extracting onto a link writes the file it names and keeps the link.
mkdir real
printf old > real/target
ln -s real/target link.out
"$tool" extract out.dtf 'SCN\SCENE1.SCN' link.out || fail "extract onto a link"
[ -L link.out ] || fail "the link was replaced"
[ "$(readlink link.out)" = real/target ] || fail "the link changed"
cmp -s real/target src/SCN/Scene1.scn || fail "the link's file was not written"

# A FIFO is written into and stays a FIFO.
mkfifo pipe.out
cat pipe.out > from_pipe &
reader=$!
"$tool" extract out.dtf 'Data\noise.bin' pipe.out || fail "extract into a FIFO"
wait $reader
[ -p pipe.out ] || fail "the FIFO was replaced"
cmp -s from_pipe src/Data/noise.bin || fail "the FIFO got other bytes"

# A character device made here (the null device's numbers) is written into and stays one.
if [ "$(id -u)" -eq 0 ] && mknod null.out c 1 3 2>/dev/null; then
    "$tool" extract out.dtf 'Data\noise.bin' null.out || fail "extract into a device"
    [ -c null.out ] || fail "the device node was replaced"
    [ "$(stat -c %t,%T null.out)" = "1,3" ] || fail "the device node changed"
fi
[ -z "$(ls -A | grep '^\.[^.]')" ] || fail "temporary file left: $(ls -A)"

# An archive cut short: its last member does not extract, is named, and is marked in the list.
size=$(stat -c %s out.dtf)
head -c $((size - 1)) out.dtf > short.dtf
last=$(tail -1 list.txt | cut -f1)
err=$("$tool" extract short.dtf "$last" short.bin 2>&1); rc=$?
[ $rc -ne 0 ] || fail "a truncated member extracted"
echo "$err" | grep -qF "$last: member data cut short" || fail "truncated member message: $err"
[ -e short.bin ] && fail "output written for a truncated member"
"$tool" list short.dtf > short.txt 2>short.err && fail "listing with an unreadable member exited 0"
[ "$(grep -c 'unreadable' short.txt)" -eq 1 ] || fail "marks: $(cat short.txt)"
grep -qF "$last"$'\t' short.txt && tail -1 short.txt | grep -q 'unreadable: member data cut short' \
    || fail "the cut member is not the marked one: $(cat short.txt)"

# An invalid archive says what is wrong with it.
printf 'DTFF\000\000\000\000' > zero.dtf
err=$("$tool" list zero.dtf 2>&1); rc=$?
[ $rc -ne 0 ] && echo "$err" | grep -q "member count is 0" || fail "zero count: $err"

mkdir clash && printf a > clash/a.txt && printf b > clash/A.TXT
"$tool" create clash.dtf clash 2>/dev/null && fail "case clash packed"
echo "1 passed, 0 failed"
exit 0
