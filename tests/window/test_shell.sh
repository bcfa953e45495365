#!/usr/bin/env bash
# Runs the real program on a virtual display and drives it with real X events: start-up log, resizes,
# F11 there and back, Alt+F4 and, in a second run, the close box, each with its log and exit status.
# Usage: test_shell.sh PROGRAM XCLOSE   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
xclose=$(readlink -f "$2")

"$program" 2>"$log" &
pid=$!

window=$(find_window)
[ -n "$window" ] || { fail "no window"; cat "$log" >&2; exit 1; }

wait_for_line "[pw2_Main] Constructor."
wait_for_line "[ResizeAll] OnResize: Resize to 800x600."
# Away from the corner, so that returning from full screen has to restore the position too.
xdotool windowmove "$window" 37 41
start="37,41"
wait_for_geometry "$start 800x600"

xdotool windowsize "$window" 1000 700
wait_for_line "[pw2_Main] OnResize: Resize to 1000x700."
wait_for_line "[ResizeAll] OnResize: Resize to 1000x700."

xdotool windowsize "$window" 640 480
wait_for_line "[pw2_Main] OnResize: Resize to 640x480."
wait_for_line "[ResizeAll] OnResize: Resize to 800x600."

xdotool windowsize "$window" 900 650
wait_for_line "[pw2_Main] OnResize: Resize to 900x650."
wait_for_geometry "$start 900x650"

press F11
wait_for_line "[pw2_Main] OnKeyPressed: Switching to fullscreen mode."
wait_for_geometry "0,0 1280x1024"
wait_for_line "[ResizeAll] OnResize: Resize to 1280x1024."

press F11
wait_for_line "[pw2_Main] OnKeyPressed: Leaving fullscreen mode."
wait_for_geometry "$start 900x650"

press alt+F4
wait_for_exit
[ -n "$status" ] || fail "the program did not end after Alt+F4"
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none}, expected 0"
wait_for_line "[pw2_Main] OnClose."
# Shutdown ends with the graphics controller, right after the close.
shutdown=$'[pw2_Main] OnClose.\n[pw2_GraphicsController] Destructor.'
[ "$(tail -n2 "$log")" = "$shutdown" ] || fail "OnClose and the controller's destructor are not the last lines"

# The close box: there is no window manager here, so the test sends its WM_DELETE_WINDOW itself.
"$program" 2>"$log" &
pid=$!
wait_for_line "[ResizeAll] OnResize: Resize to 800x600."
"$xclose" "$(find_window)"
wait_for_exit
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none} after the close box, expected 0"
[ "$(tail -n2 "$log")" = "$shutdown" ] || fail "OnClose and the destructor are not the last lines after the close box"

if [ "$failures" -ne 0 ]; then
    echo "--- program log ---" >&2; cat "$log" >&2
    exit 1
fi
echo "window test passed"
