#!/usr/bin/env bash
# Opening a large model beside f3d, on a virtual display: the time from the start of the program to the
# final picture of the file given on its command line, for the torus of 1000 x 1000 quads that
# bench_modelfiles writes (OBJ with quads; binary PLY and binary STL with two triangles per quad), the median
# of RUNS starts (3 by default) of each program, one start at a time, and the resident memory of each at
# that picture (for this program also the part in the address ranges that hold the geometry's records).
#
# Both programs are started alike: a window of 800 x 600 (the program's own size; f3d's --resolution) and the
# file on the command line, in their default looks (f3d with --dry-run, which only keeps a user's
# configuration file out). Both are clocked alike by bench/finalframe.c, which fingerprints every pixel of
# the program's windows every 10 ms and takes the picture as final once it has stayed the same for 2 seconds
# while the program stayed idle; the time runs from the start to the poll that first saw that picture. So
# "final" is what the window shows once the program has nothing left to do, the whole model drawn; a picture
# held still while the program works (a progress box, a long frame) does not count. The polling costs both
# programs the same few percent of one core. The pointer is parked off the windows, so that no hover or
# tooltip changes a picture later, and each start reads the files from a warm cache (they were just
# written); the median leaves out the one start of each program that fills Mesa's shader cache.
# A picture does not tell that the whole file was read, so each file is first read by f3d without a window
# (--no-render --verbose, untimed) and the faces it counts are shown (it counts those of PLY and STL, not
# of OBJ), and every start of this program must log the faces it loaded.
# Usage: [RUNS=n] bench/f3d_compare.sh [build folder]
set -uo pipefail
build=$(readlink -f "${1:-build}")
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi
for tool in "$build/facetwright" "$build/bench_modelfiles" "$build/finalframe"; do
    if [ ! -x "$tool" ]; then
        echo "f3d_compare: $tool is missing (finalframe needs libXext: scripts/install-deps.sh --bench)" >&2
        exit 1
    fi
done
if ! command -v f3d >/dev/null; then
    echo "f3d_compare: f3d is not installed (scripts/install-deps.sh --bench)" >&2
    exit 1
fi
runs=${RUNS:-3}
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
"$build/bench_modelfiles" --write "$work" || exit 1
xdotool mousemove 1279 1023

# model_kb PID: the resident kilobytes of the address ranges that hold a geometry's records, each an
# anonymous mapping that begins on a 16 GB boundary, with the mappings that follow it up to 16 GB further.
model_kb() {
    awk 'function hex(s,  i, v) { for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return v }
         /^[0-9a-f]+-[0-9a-f]+ / {
             split($1, a, "-"); start = hex(a[1])
             if (NF == 5 && start % 17179869184 == 0) end = start + 17179869184
             inside = start < end; next
         }
         /^Rss:/ && inside { sum += $2 }
         END { print sum + 0 }' "/proc/$1/smaps"
}

# final_picture LOG COMMAND...: starts the program, prints the milliseconds to its final picture, its
# resident kilobytes then and those of its geometry's ranges (or "failed") and ends it; the program's output
# goes to LOG.
final_picture() {
    local log=$1 start shown
    shift
    start=$(date +%s%N)
    "$@" >"$log" 2>&1 &
    pid=$!
    if read -r shown _ < <("$build/finalframe" "$pid" "$start" 2 600); then
        echo "$shown $(awk '/VmRSS/{print $2}' "/proc/$pid/status") $(model_kb "$pid")"
    else
        echo failed failed failed
    fi
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
}

# median VALUES...: the middle one of the numbers, "failed" when any start failed.
median() {
    printf '%s\n' "$@" | grep -qv '^[0-9]*$' && { echo failed; return; }
    printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

printf 'Opening a torus of 1000 x 1000 quads in a window of 800 x 600: seconds from the start to the final\n'
printf 'picture, and resident megabytes then (ours: all, and the part that holds the geometry), median of %d starts\n' "$runs"
printf '%-6s %8s %8s %7s %12s %12s %8s %8s %8s\n' file "f3d s" "ours s" ratio "f3d faces" "our faces" \
    "f3d MB" "ours MB" "geom MB"
for file in "$work"/torus.obj "$work"/torus.ply "$work"/torus.stl; do
    theirfaces=$(f3d --dry-run --no-render --verbose "$file" 2>&1 | awk '/Number of polygons:/{print $NF}')
    theirstarts=() ourstarts=() theirrss=() ourrss=() ourmodel=() ourfaces=
    for _ in $(seq "$runs"); do
        read -r shown rss model < <(final_picture "$work/f3d.log" f3d --dry-run --resolution 800,600 "$file")
        theirstarts+=("$shown") theirrss+=("$rss")
        read -r shown rss model < <(final_picture "$work/ours.log" "$build/facetwright" "$file")
        faces=$(sed -n 's/^\[pw2_Model\] Loaded .*, \([0-9]*\) faces\.$/\1/p' "$work/ours.log")
        [ -n "$faces" ] || shown=failed
        ourstarts+=("$shown") ourrss+=("$rss") ourmodel+=("$model")
        ourfaces=${faces:-none}
    done
    theirs=$(median "${theirstarts[@]}")
    ours=$(median "${ourstarts[@]}")
    awk -v file="${file##*.}" -v theirs="$theirs" -v ours="$ours" -v tf="${theirfaces:--}" -v of="$ourfaces" \
        -v tm="$(median "${theirrss[@]}")" -v om="$(median "${ourrss[@]}")" -v og="$(median "${ourmodel[@]}")" '
        function seconds(ms) { return ms == "failed" ? ms : sprintf("%.2f", ms / 1000) }
        function mb(kb) { return kb == "failed" ? kb : sprintf("%.0f", kb / 1024) }
        BEGIN {
            ratio = theirs ~ /^[0-9]+$/ && ours ~ /^[0-9]+$/ && theirs > 0 ? sprintf("%.2f", ours / theirs) : "-"
            printf "%-6s %8s %8s %7s %12s %12s %8s %8s %8s\n", file, seconds(theirs), seconds(ours), ratio, tf, of,
                mb(tm), mb(om), mb(og)
        }'
done
echo "(ratio: ours / f3d; the issue's target is at most 0.5)"
