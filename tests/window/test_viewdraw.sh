#!/usr/bin/env bash
# Runs the real program on a virtual display and reads its first frame back from the screen: both 3D views
# show the lit sample scene inside their image rectangles, each framed by its sunken bevel.
# Usage: test_viewdraw.sh PROGRAM   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
shot="$work/shot.png"

"$program" 2>"$log" &
pid=$!
wait_for_line "[pw2_GraphicsController] Device was reset." || { cat "$log" >&2; exit 1; }
window=$(find_window)
# the first frame is presented with the reset; give the server a moment to show it
sleep 0.5
import -window "$window" "$shot" || { fail "no screenshot"; exit 1; }

# "r,g,b" of one pixel of the window's client area
pixel() {
    convert "$shot" -crop "1x1+$1+$2" -depth 8 txt:- | tail -n1 | sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}
expect_pixel() {
    local got
    got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || fail "pixel $1,$2 is $got, expected $3 ($4)"
}

# At 800 x 600 each view is 400 x 445 and its image 398 x 398 at (1, 1) inside it.
dark=96,96,96
light=240,240,240
for left in 0 400; do
    x=$((left + 1))
    expect_pixel "$((x - 1))" 200 "$dark" "left edge of the view at $left"
    expect_pixel "$((x + 100))" 0 "$dark" "top edge of the view at $left"
    expect_pixel "$((x + 398))" 200 "$light" "right edge of the view at $left"
    expect_pixel "$((x + 100))" 399 "$light" "bottom edge of the view at $left"
    count=$(scene_pixels "$shot" "$x" 1 398 398)
    [ "${count:-0}" -ge 5000 ] || fail "only ${count:-0} pixels of lit faces in the view at $left"
done

check_faults
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
if [ "$failures" -ne 0 ]; then
    cp "$shot" /tmp/test_viewdraw_failed.png 2>/dev/null && echo "screenshot in /tmp/test_viewdraw_failed.png" >&2
    exit 1
fi
echo "both views drawn"
