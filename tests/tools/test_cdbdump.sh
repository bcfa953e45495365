#!/bin/sh
# cdbdump CDBDUMP DIR: the dump of the kept symbol files, and a one-line refusal with a non-zero status for a
# wrong tag, a cut file, a changed byte and a missing file.
set -u
dump=$1
dir=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for kind in plain compressed; do
    file=$dir/symbols-$kind.cdb
    "$dump" "$file" seds -s name > "$tmp/out" 2> "$tmp/err" || fail "$kind: status $?"
    [ ! -s "$tmp/err" ] || fail "$kind: wrote to stderr"
    for line in '  version = 7 3' 'table 0 "symbols": 3 rows of 12 bytes' \
                '  fields: name(4@0) address(4@4) size(4@8)' '  0: "main" 4096 64' \
                '  1: "qzString::Append" 4352 65' '  2: "pw2_Model::Build" 4608 66'; do
        grep -qxF "$line" "$tmp/out" || fail "$kind: no line '$line'"
    done
    # Without -s the name field prints its data offset.
    "$dump" "$file" seds > "$tmp/out" || fail "$kind: status without -s"
    grep -qxF '  1: 5 4352 65' "$tmp/out" || fail "$kind: offsets"

    size=$(wc -c < "$file")
    head -c $((size - 1)) "$file" > "$tmp/cut"
    cp "$file" "$tmp/changed"
    printf 'X' | dd of="$tmp/changed" bs=1 seek=$((size - 3)) conv=notrunc 2> /dev/null
    for bad in "$file seds2" "$file sedz" "$tmp/cut seds" "$tmp/changed seds" "$tmp/missing seds"; do
        set -- $bad
        "$dump" "$1" "$2" > "$tmp/out" 2> "$tmp/err"
        status=$?
        [ $status -ne 0 ] || fail "$kind: $bad accepted"
        [ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "$kind: $bad: not one line of reason"
        [ ! -s "$tmp/out" ] || fail "$kind: $bad: printed a dump"
    done
done
echo "cdbdump: all checks passed"
