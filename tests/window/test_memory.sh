#!/usr/bin/env bash
# Memory over time: the interface in use (camera drags in both views, the wheel, the pointer sweeping the
# button bars and the tool panel) until the program has presented FRAMES frames after a warm-up of 500.
# Prints the resident memory after the warm-up and at the end; fails if it grew by more than KIB.
# Usage: test_memory.sh PROGRAM FRAMES KIB   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
frames=$2
bound=$3

FACETWRIGHT_LOG_FRAMES=1 "$program" 2>"$log" &
pid=$!
wait_for_line "[pw2_GraphicsController] Device was reset." || { cat "$log" >&2; exit 1; }
xdotool windowmove "$(find_window)" 0 0

# One round of use as xdotool commands: a drag and the wheel over each view, then sweeps along the views'
# button bars and two rows of the tool panel.
round=""
for view in 200 600; do
    round+=" mousemove $view 200 mousedown 2"
    for i in $(seq 0 19); do round+=" mousemove $((view - 50 + i * 5)) $((150 + i * 4))"; done
    round+=" mouseup 2 click 4 click 4 click 5 click 5"
done
for y in 420 470 540; do
    for x in $(seq 5 15 795); do round+=" mousemove $x $y"; done
done
presented() { grep -c "^\[qzGLDevice\] Present:" "$log"; }
use_until() {
    while [ "$(presented)" -lt "$1" ]; do
        kill -0 "$pid" 2>/dev/null || { fail "the program ended"; return 1; }
        xdotool $round
    done
}

use_until 500
sleep 3 # idle, so that what the work freed has gone back
start=$(rss)
first=$(presented)
use_until $((first + frames))
sleep 3
end=$(rss)
echo "$(($(presented) - first)) frames; resident memory $start KiB after the warm-up, $end KiB at the end" \
     "($((end - start)) KiB)"
[ $((end - start)) -le "$bound" ] || fail "resident memory grew by more than $bound KiB"
check_faults
if [ "$failures" -ne 0 ]; then
    echo "--- end of the program log ---" >&2; tail -n 40 "$log" >&2
    exit 1
fi
echo "memory test passed"
