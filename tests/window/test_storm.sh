#!/usr/bin/env bash
# A storm of resizes through the real window while the device is lost after every frame it presents, so
# that each frame is followed by a lost device and a reset. The program must keep drawing (both views show
# the lit scene afterwards) and, when a bound is given, its resident memory must not grow by more than
# that many KiB between a warm-up storm and the end of the main one.
# Usage: test_storm.sh PROGRAM RESIZES [KIB]   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
resizes=$2
bound=${3:-}
shot="$work/shot.png"

FACETWRIGHT_LOSE_DEVICE_EVERY=${LOSE_EVERY:-1} "$program" 2>"$log" &
pid=$!
wait_for_line "[pw2_GraphicsController] Device was reset." || { cat "$log" >&2; exit 1; }
window=$(find_window)
xdotool windowmove "$window" 0 0

taken() { grep -c "^\[pw2_Main\] OnResize: Resize to" "$log"; }
# COUNT random sizes (SEED), each different from the one before, then the size W x H; every resize waits
# until the program has taken it, since the X server merges the resizes that the program has not yet read.
storm() {
    local taken width height
    taken=$(taken)
    while read -r width height; do
        xdotool windowsize "$window" "$width" "$height"
        taken=$((taken + 1))
        for _ in $(seq 2000); do
            [ "$(taken)" -ge "$taken" ] && break
            sleep 0.005
        done
        [ "$(taken)" -ge "$taken" ] || { fail "the program did not take the resize to ${width}x$height"; return 1; }
    done < <(awk -v n="$1" -v seed="$2" -v w="$3" -v h="$4" 'BEGIN {
        srand(seed)
        for (i = 0; i < n; i++) {
            do { x = 1 + int(rand() * 1280); y = 1 + int(rand() * 1024) } while (x == px && y == py)
            print x, y; px = x; py = y
        }
        print w, h }')
}
resets() { grep -cxF "[pw2_GraphicsController] Device was reset." "$log"; }

storm $((resizes < 200 ? resizes / 2 : 200)) 1 811 611
sleep 3 # idle, so that what the work freed has gone back
before=$(rss)
resetsbefore=$(resets)
storm "$resizes" 2 812 612
sleep 3
after=$(rss)
echo "$resizes resizes, $(($(resets) - resetsbefore)) resets in the main storm;" \
     "resident memory $before KiB before, $after KiB after ($((after - before)) KiB)"
[ -n "$bound" ] && [ $((after - before)) -gt "$bound" ] && fail "resident memory grew by more than $bound KiB"

xdotool windowsize "$window" 800 600
sleep 1
import -window "$(find_window)" "$shot" || fail "no screenshot"
for x in 1 401; do
    count=$(scene_pixels "$shot" "$x" 1 398 398)
    [ "${count:-0}" -ge 5000 ] || fail "only ${count:-0} pixels of lit faces in the view at $x after the storm"
done
kill -0 "$pid" 2>/dev/null || fail "the program ended during the storm"
check_faults
if [ "$failures" -ne 0 ]; then
    echo "--- end of the program log ---" >&2; tail -n 40 "$log" >&2
    exit 1
fi
echo "storm passed"
