#!/usr/bin/env bash
# Runs the Windows build under Wine on a virtual display and drives it with real X events: the start-up log
# read from Wine's debug channel, the title and the client size, a resize, F11 there and back, the close box
# and its exit status. Then its first frame beside the Linux build's of the same size, pixel by pixel: they
# must agree on at least 99.9 % of the pixels; the differences are kept as a picture when they do not.
# Usage: test_wine.sh PROGRAM.EXE LINUX-PROGRAM XCLOSE   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/../window/common.sh"
exe=$(readlink -f "$1")
linux=$(readlink -f "$2")
xclose=$(readlink -f "$3")
export WINEDEBUG=-all,+debugstr

# Starts the Windows build; its debug output becomes the plain lines of $log.
start_exe() {
    wine "$exe" 2> >(sed -u -e '/:warn:debugstr:OutputDebugStringA "/!d' \
                            -e 's/^[^"]*"//; s/"$//; s/\\n$//; s/\\"/"/g; s/\\\\/\\/g' >"$log") &
    pid=$!
}

# The pointer stays away from the window, so that no control is hovered in a screenshot.
xdotool mousemove 1279 1023
start_exe
wait_for_line "[pw2_Main] Constructor." || { cat "$log" >&2; exit 1; }
wait_for_line "[ResizeAll] OnResize: Resize to 800x600."
window=$(find_window)
[ -n "$window" ] || { fail "no window titled Facetwright v6"; exit 1; }
xdotool windowmove "$window" 37 41
start="37,41"
wait_for_geometry "$start 800x600"

# The first frame, for the comparison below.
wait_for_line "[pw2_GraphicsController] Device was reset."
sleep 1
import -window "$window" "$work/windows.png" || fail "no screenshot of the Windows build"

xdotool windowsize "$window" 1000 700
wait_for_line "[pw2_Main] OnResize: Resize to 1000x700."
wait_for_line "[ResizeAll] OnResize: Resize to 1000x700."

press F11
wait_for_line "[pw2_Main] OnKeyPressed: Switching to fullscreen mode."
wait_for_geometry "0,0 1280x1024"
wait_for_line "[ResizeAll] OnResize: Resize to 1280x1024."
press F11
wait_for_line "[pw2_Main] OnKeyPressed: Leaving fullscreen mode."
wait_for_geometry "$start 1000x700"

"$xclose" "$(find_window)"
wait_for_exit
[ -n "$status" ] || fail "the program did not end after the close box"
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none} after the close box, expected 0"
shutdown=$'[pw2_Main] OnClose.\n[pw2_GraphicsController] Destructor.'
[ "$(tail -n2 "$log")" = "$shutdown" ] || fail "OnClose and the controller's destructor are not the last lines"
check_faults

# The Linux build's first frame at the same size.
"$linux" 2>"$work/linux.log" &
pid=$!
log="$work/linux.log" wait_for_line "[pw2_GraphicsController] Device was reset."
sleep 1
import -window "$(find_window)" "$work/linux.png" || fail "no screenshot of the Linux build"
kill "$pid"; wait "$pid" 2>/dev/null; pid=

# A pixel agrees when no channel differs by more than one level: the two devices interpolate vertex colours
# each with its own rounding.
total=$((800 * 600))
read -r differing exact < <(convert "$work/linux.png" "$work/windows.png" -compose difference -composite \
    -separate -evaluate-sequence max -depth 8 txt:- |
    awk 'NR > 1 { split($2, v, /[(),]/); if (v[2] > 1) ++over; if (v[2] > 0) ++any } END { print over + 0, any + 0 }')
if ! [[ "${differing:-}" =~ ^[0-9]+$ ]] || [ $((differing * 1000)) -gt "$total" ]; then
    fail "the first frames differ in ${differing:-?} of $total pixels (at most $((total / 1000)))"
    compare "$work/linux.png" "$work/windows.png" "$work/difference.png" 2>/dev/null
    cp "$work/linux.png" "$work/windows.png" "$work/difference.png" /tmp/ 2>/dev/null &&
        echo "the frames and their differences are in /tmp/{linux,windows,difference}.png" >&2
fi
echo "first frames: $differing of $total pixels differ by more than one level, $exact at all"

if [ "$failures" -ne 0 ]; then
    echo "--- program log ---" >&2; cat "$log" >&2
    exit 1
fi
echo "Windows build test passed"
