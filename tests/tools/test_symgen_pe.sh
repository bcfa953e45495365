#!/usr/bin/env bash
# symgen on a PE32+ image linked by mingw-w64: a small program is built here, and the symbol file that symgen
# makes of it must name its functions as the toolchain's own nm does, demangled, at their offsets from the
# image base, each running up to the next symbol of the code section. A stripped image gives an empty table.
# Skipped (status 77) when x86_64-w64-mingw32-g++ is not installed.
# Usage: test_symgen_pe.sh SYMGEN CDBDUMP
set -uo pipefail
symgen=$(readlink -f "$1")
dump=$(readlink -f "$2")
compiler=$(command -v x86_64-w64-mingw32-g++-posix || command -v x86_64-w64-mingw32-g++) ||
    { echo "no x86_64-w64-mingw32-g++: skipped"; exit 77; }
nm=$(command -v x86_64-w64-mingw32-nm) || { echo "no x86_64-w64-mingw32-nm: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cat >"$work/small.cpp" <<'CODE'
#include <cstdio>
namespace shapes {
struct Box {
    __attribute__((noinline)) int Volume(int depth) const;
    int width = 2, height = 3;
};
int Box::Volume(int depth) const { return width * height * depth; }
} // namespace shapes
namespace {
__attribute__((noinline)) int Twice(int value) { return std::printf("%d\n", value) * 2; }
} // namespace
template <typename T> __attribute__((noinline)) T Largest(T a, T b) { return a < b ? b : a; }
extern "C" __attribute__((noinline)) int plain_c_function(int v) { return Twice(v) + 1; }
int main(int argc, char**) {
    shapes::Box box;
    return Largest(box.Volume(argc), plain_c_function(argc)) + static_cast<int>(Largest(1.5, 2.5));
}
CODE
"$compiler" -std=c++20 -O2 -fno-omit-frame-pointer -static -o "$work/small.exe" "$work/small.cpp" ||
    { echo "FAIL: the small program does not build"; exit 1; }
"$symgen" "$work/small.exe" "$work/small.dat" || fail "symgen refused the image"
"$dump" "$work/small.dat" seds -s name >"$work/dump" || fail "cdbdump cannot read the symbol file"

base=$(x86_64-w64-mingw32-objdump -p "$work/small.exe" | awk '$1 == "ImageBase" { print $2 }')
[ -n "$base" ] || fail "no image base in the image's header"
# The reference: nm's demangled symbols of the code section, by address; a function's size is the distance to
# the next address there.
"$nm" -C -n --defined-only "$work/small.exe" | awk '$2 ~ /^[Tt]$/' >"$work/nm"
for name in 'shapes::Box::Volume(int) const' '(anonymous namespace)::Twice(int)' 'int Largest<int>(int, int)' \
    'double Largest<double>(double, double)' 'plain_c_function' 'main'; do
    # The function's address and the next greater address of the code section.
    set -- $(awk -v name="$name" '
        found && $1 != address { print address, $1; exit }
        { n = $0; sub(/^[0-9a-f]+ [Tt] /, "", n) }
        n == name { address = $1; found = 1 }' "$work/nm")
    [ $# -eq 2 ] || { fail "nm does not list $name"; continue; }
    set -- $((16#$1 - 16#$base)) $((16#$2 - 16#$1))
    grep -qF "\"$name\" $1 $2" "$work/dump" ||
        fail "$name is not at offset $1 with size $2: $(grep -F "\"$name\"" "$work/dump" || echo missing)"
done
# Every row lies inside the image's code and no two rows overlap.
awk -F'" ' '/^  [0-9]+: "/ { split($NF, v, " "); if (v[1] < end) bad++; end = v[1] + v[2] } END { exit bad > 0 }' \
    "$work/dump" || fail "rows overlap"

x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$work/small.exe"
"$symgen" "$work/stripped.exe" "$work/stripped.dat" || fail "symgen refused the stripped image"
"$dump" "$work/stripped.dat" seds | grep -qxF 'table 0 "symbols": 0 rows of 12 bytes' ||
    fail "the stripped image's table is not empty"

[ "$failures" -eq 0 ] || exit 1
echo "symgen PE test passed"
