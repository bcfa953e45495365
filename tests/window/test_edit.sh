#!/usr/bin/env bash
# Editing through the real program with real mouse and key events: a click and a rectangle select points of
# the sample scene in the left (top) view, a drag moves them, Delete removes them, Ctrl+Z and Ctrl+Y undo and
# redo; each step logs the model's counts. Undoing everything leaves nothing unsaved, so the close box
# closes at once.
# Usage: test_edit.sh PROGRAM   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
cd "$work"

"$program" 2>"$log" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Facetwright v6$' | tail -n1)
[ -n "$window" ] || { fail "no window"; cat "$log" >&2; exit 1; }
wait_for_line "[pw2_GraphicsController] Device was reset."
sleep 0.5

# The left view looks down on the XY plane: its image is 398 pixels square at (1, 1), the origin in its
# middle and ten pixels to a unit, y up.
at() { echo $((200 + 10 * $1)) $((200 - 10 * $2)); }
all="212 points, 320 edges, 162 faces"
without="204 points, 308 edges, 156 faces"
# steps N: waits for the Nth step line of the log and checks its counts
steps=0
step() {
    steps=$((steps + 1))
    for _ in $(seq 200); do
        [ "$(grep -c '^\[pw2_History\] STEP: ' "$log")" -ge "$steps" ] && break
        sleep 0.05
    done
    line=$(grep '^\[pw2_History\] STEP: ' "$log" | sed -n "${steps}p")
    [ "$line" = "[pw2_History] STEP: $1." ] || fail "step $steps ($2): '$line', expected '$1'"
}
mouse() { xdotool mousemove --window "$window" "$@"; sleep 0.2; }

xdotool windowfocus --sync "$window" 2>/dev/null
# a click on the top corner (1, 1, 1) of the cube at the origin
mouse $(at 1 1) click 1
step "$all" "click"
# a rectangle around the cube takes its eight corners
mouse $(at -2 -2) mousedown 1
mouse $(at 0 0)
mouse $(at 2 2) mouseup 1
step "$all" "rectangle"
# dragged by a corner three units along x
mouse $(at 1 1) mousedown 1
mouse $(at 2 1)
mouse $(at 4 1) mouseup 1
step "$all" "move"
press Delete
step "$without" "delete"
[ -n "$(timeout 5 bash -c "$(declare -f wait_for_title); wait_for_title 'Untitled\\* - Facetwright v6'")" ] ||
    fail "the title does not show the unsaved change"
press ctrl+z
step "$all" "undo"
press ctrl+y
step "$without" "redo"
press ctrl+shift+z
sleep 0.3
grep -c '^\[pw2_History\] STEP: ' "$log" | grep -qx "$steps" || fail "a redo past the last step logged a step"
for what in delete move rectangle click; do
    press ctrl+z
    step "$all" "undo $what"
done
[ -n "$(timeout 5 bash -c "$(declare -f wait_for_title); wait_for_title 'Facetwright v6'")" ] ||
    fail "the title still shows a change after undoing everything"

press alt+F4
wait_for_exit
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none}, expected 0"
check_faults
[ "$failures" -eq 0 ] || { cat "$log" >&2; exit 1; }
