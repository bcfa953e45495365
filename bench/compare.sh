#!/usr/bin/env bash
# Measures on a virtual display, side by side: time from start to the first frame shown (the centre of one
# of the program's windows no longer black, bench/firstframe.c; the median of FIRST_FRAME_RUNS starts, 5 by
# default, as single starts vary by tens of milliseconds), resident memory once idle, and processor time over
# 10 idle seconds, for this program, the platform's floor (bench/floor_window.cpp) and those of the other
# viewers that are installed here; then, for this program alone, the processor time per frame during a
# continuous camera drag and the draw calls per frame. The Windows build (make windows) is measured the same
# way under Wine when it is there; its idle processor time leaves out wineserver's, shown apart.
# Usage: [FIRST_FRAME_RUNS=n] [WINDOWS_BUILD=folder] bench/compare.sh [build folder]
set -uo pipefail
build=$(readlink -f "${1:-build}")
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi
ticks=$(getconf CLK_TCK)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
now() { date +%s%N; }
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# first_frame COMMAND...: starts the program, prints the milliseconds to its first frame and ends it.
first_frame() {
    local start shown
    start=$(now)
    "$@" >/dev/null 2>&1 &
    pid=$!
    read -r shown _ < <("$build/firstframe" "$pid" "$start" 30) && echo "$shown"
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
}

# measure NAME COMMAND...: prints "NAME first-frame-ms rss-MB idle-cpu-ms", or why it could not.
measure() {
    local name=$1 start
    shift
    local -a starts=()
    for _ in $(seq $(( ${FIRST_FRAME_RUNS:-5} - 1 ))); do
        starts+=("$(first_frame "$@")")
    done
    start=$(now)
    FACETWRIGHT_LOG_FRAMES=1 "$@" >/dev/null 2>"$work/$name.log" &
    pid=$!
    local shown window
    if ! read -r shown window < <("$build/firstframe" "$pid" "$start" 30); then
        echo "$name could-not-start"
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
        return
    fi
    sleep 2
    local rss before after
    rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
    before=$(cpu "$pid")
    local server serverbefore
    server=$(pgrep -n wineserver)
    [ -n "$server" ] && serverbefore=$(cpu "$server")
    sleep 10
    after=$(cpu "$pid")
    [ "$name" = facetwright.exe ] && [ -n "$server" ] &&
        echo "wineserver $(( ($(cpu "$server") - serverbefore) * 1000 / ticks ))" >> "$work/servers"
    starts+=("$shown")
    shown=$(printf '%s\n' "${starts[@]}" | grep -E '^[0-9]+$' | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
    echo "$name $shown $(( rss / 1024 )) $(( (after - before) * 1000 / ticks ))"
    if [ "$name" = facetwright ]; then
        # A camera drag with the middle button over the left view, 200 moves.
        local x y presents frames used
        read -r x y < <(xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                        END{print x + 200, y + 200}')
        presents=$(grep -c 'Present:' "$work/$name.log")
        before=$(cpu "$pid")
        xdotool mousemove "$x" "$y" mousedown 2
        for i in $(seq 200); do xdotool mousemove "$((x + i % 100))" "$((y + i % 60))"; done
        xdotool mouseup 2
        sleep 0.5
        after=$(cpu "$pid")
        frames=$(( $(grep -c 'Present:' "$work/$name.log") - presents ))
        used=$(( (after - before) * 1000 / ticks ))
        echo "drag $frames $used $(grep 'Present:' "$work/$name.log" | tail -n1 | sed 's/.*Present: //')"
    fi
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
}

{
    measure facetwright "$build/facetwright"
    windows=${WINDOWS_BUILD:-$build/../build-windows}
    if [ -x "$windows/facetwright.exe" ]; then
        WINEPREFIX=$(readlink -f "$windows")/wine WINEDEBUG=-all measure facetwright.exe wine "$windows/facetwright.exe"
    else
        echo "facetwright.exe not-built"
    fi
    measure floor "$build/floor_window"
    for peer in wings3d meshlab f3d blender; do
        if command -v "$peer" >/dev/null; then
            measure "$peer" "$peer"
        else
            echo "$peer not-installed"
        fi
    done
} > "$work/results"

awk '
    $1 == "floor" { ff = $2; fm = $3 }
    { row[NR] = $0 }
    END {
        printf "%-12s %16s %12s %22s\n", "program", "first frame ms", "resident MB", "CPU ms / 10 idle s"
        for (i = 1; i <= NR; ++i) {
            split(row[i], f, " ")
            if (f[1] == "drag") {
                printf "\ncamera drag: %d frames, %.1f ms of CPU per frame; last frame: %s %s %s %s %s\n",
                       f[2], f[2] ? f[3] / f[2] : 0, f[4], f[5], f[6], f[7], f[8]
            } else if (f[2] ~ /^[0-9]+$/) {
                printf "%-12s %8d (%+5d) %6d (%+4d) %22d\n", f[1], f[2], f[2] - ff, f[3], f[3] - fm, f[4]
            } else {
                printf "%-12s %s\n", f[1], f[2]
            }
        }
        print "\n(in brackets: the difference to the floor)"
    }' "$work/results"
[ -s "$work/servers" ] && awk '{print "wineserver beside facetwright.exe: " $2 " ms of CPU in the 10 idle s"}' "$work/servers"
