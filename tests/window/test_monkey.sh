#!/usr/bin/env bash
# Random real input for the real program, the same for the same seed: moves, clicks of every mouse button,
# drags, the wheel, keys (F11 and the keypad among them) and resizes, mostly over the views, their button
# bars and the tool panel, whose "File" buttons open file dialogs that the input then meets too. The
# program must neither crash nor assert nor draw a sanitizer report, and it must still close cleanly with
# Alt+F4 once its dialogs are closed and its changes discarded: exit status 0, which a leak found at exit
# would spoil too.
# Usage: test_monkey.sh PROGRAM SECONDS [SEED]   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
seconds=$2
seed=${3:-1}

# in a folder of its own: a file dialog may save the model wherever the input leads it
cd "$work"
"$program" 2>"$log" &
pid=$!
wait_for_line "[pw2_GraphicsController] Device was reset." || { cat "$log" >&2; exit 1; }
xdotool windowmove "$(find_window)" 0 0

# One batch of xdotool commands on a line. The interface sits in the top left 800 x 600 whatever the
# window's size, the button bars and the tool panel in its lower quarter; a few events go outside it.
batches() {
    awk -v seed="$seed" 'function r(n) { return int(rand() * n) }
    function point() {
        if (rand() < 0.1) return r(1280) " " r(1024)
        if (rand() < 0.5) return r(800) " " (430 + r(170))
        return r(800) " " r(600)
    }
    BEGIN {
        srand(seed)
        split("F11 KP_0 KP_1 KP_2 KP_3 KP_4 KP_5 KP_6 KP_7 KP_8 KP_9 KP_Add KP_Subtract KP_Multiply " \
              "KP_Divide KP_Decimal KP_Enter Escape Return Tab space Up Down Left Right Home End Page_Up " \
              "Page_Down Delete BackSpace a z shift+Tab ctrl+z F1 F10", keys, " ")
        nkeys = length(keys)
        for (;;) {
            line = ""
            for (i = 0; i < 20; i++) {
                kind = r(100)
                if (kind < 35) line = line " mousemove " point()
                else if (kind < 60) line = line " mousemove " point() " click " (1 + r(3))
                else if (kind < 75) {
                    b = 1 + r(3)
                    line = line " mousemove " point() " mousedown " b
                    for (j = r(8); j >= 0; j--) line = line " mousemove " point()
                    line = line " mouseup " b
                } else if (kind < 85) line = line " mousemove " point() " click " (4 + r(2))
                else if (kind < 93) line = line " KEY " keys[1 + r(nkeys)]
                else if (kind < 95) line = line " KEY F11"
                else line = line " RESIZE " (1 + r(1280)) " " (1 + r(1024))
            }
            print line
        }
    }'
}

end=$((SECONDS + seconds))
events=0
while read -r batch; do
    [ "$SECONDS" -ge "$end" ] && break
    kill -0 "$pid" 2>/dev/null || break
    # F11 makes a new native window: keys and resizes go to whichever is shown now.
    window=$(find_window)
    [ -n "$window" ] || break
    xdotool windowfocus "$window" 2>/dev/null
    batch=${batch//KEY/key}
    batch=${batch//RESIZE/windowsize $window}
    xdotool $batch 2>/dev/null
    events=$((events + 20))
done < <(batches)

kill -0 "$pid" 2>/dev/null || fail "the program ended during the input"
# A dialog left open holds the program's loop: Escape closes each, up to a box that a cancel opened.
for _ in 1 2 3; do
    main=$(find_window)
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$w" = "$main" ] || { xdotool windowfocus --sync "$w" key Escape; } 2>/dev/null
    done
    sleep 0.3
done
press alt+F4
# the input has edited the model: the question whether to save the changes is answered No
for _ in 1 2 3; do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || break
    main=$(find_window)
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$w" = "$main" ] || { xdotool windowfocus --sync "$w" key alt+n; } 2>/dev/null
    done
done
wait_for_exit
[ -n "$status" ] || fail "the program did not end after Alt+F4"
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none}, expected 0"
check_faults
if [ "$failures" -ne 0 ]; then
    echo "--- end of the program log ---" >&2; tail -n 60 "$log" >&2
    exit 1
fi
echo "$events random events with seed $seed over ${seconds} s: $(grep -c "OnResize: Resize" "$log") resizes," \
     "$(grep -c "OnKeyPressed: Switching to fullscreen" "$log") switches to full screen; closed cleanly"
