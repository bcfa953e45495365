#!/usr/bin/env bash
# Drives the 2D interface of the real program with real X events and checks what it draws on screenshots,
# pixel by pixel: the faces of buttons, toggles, dropdowns and tab buttons in every state, a dropdown's list
# with keys and clicks, a tab hiding and showing its panel, wheel and drag scrolling up to the clamp, and
# the tooltip. The expected colours come from the theme's HSV formulas. It also reports the draw calls and
# vertices of an idle frame and checks that an idle program presents nothing.
# Usage: test_interface.sh PROGRAM XPIXELS   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
# Expectations are piped into expect, which has to count its failures in this shell.
shopt -s lastpipe
program=$(readlink -f "$1")
xpixels=$(readlink -f "$2")

# --- colours -------------------------------------------------------------------------------------------

# "R G B" of an HSV colour, hue in sixths of a turn, each channel trunc(x * 255 + 0.5).
hsv() {
    awk -v h="$1" -v s="$2" -v v="$3" 'BEGIN {
        c = v * s; m = (1 - s) * v
        h = h - 6 * int(h / 6); if (h < 0) h += 6
        if (h < 1)      { r = c + m;           g = h * c + m;       b = m }
        else if (h < 2) { r = (2 - h) * c + m; g = c + m;           b = m }
        else if (h < 3) { r = m;               g = c + m;           b = (h - 2) * c + m }
        else if (h < 4) { r = m;               g = (4 - h) * c + m; b = c + m }
        else if (h < 5) { r = (h - 4) * c + m; g = m;               b = c + m }
        else            { r = c + m;           g = m;               b = (6 - h) * c + m }
        printf "%d %d %d\n", int(r * 255 + 0.5), int(g * 255 + 0.5), int(b * 255 + 0.5) }'
}
# The two colours (top, bottom) of a control family's face in a state: hue, then hot and pressed as 0 or 1.
face_colours() {
    case "$2$3" in
    00) FIRST=$(hsv "$1" 0.35 0.8) SECOND=$(hsv "$1" 0.35 0.7) ;;
    01) FIRST=$(hsv "$1" 0.53 0.5) SECOND=$(hsv "$1" 0.53 0.6) ;;
    10) FIRST=$(hsv "$1" 0.35 0.9) SECOND=$(hsv "$1" 0.35 0.8) ;;
    11) FIRST=$(hsv "$1" 0.53 0.6) SECOND=$(hsv "$1" 0.53 0.7) ;;
    esac
}
# The face of a tab button: its submenu's hue, then hot and open as 0 or 1.
tab_colours() {
    case "$2$3" in
    00) FIRST=$(hsv "$1" 0.4 0.8) SECOND=$(hsv "$1" 0.4 0.65) ;;
    10) FIRST=$(hsv "$1" 0.4 0.9) SECOND=$(hsv "$1" 0.4 0.75) ;;
    01) FIRST=$(hsv "$1" 0.65 0.7) SECOND=$(hsv "$1" 0.65 0.85) ;;
    11) FIRST=$(hsv "$1" 0.65 0.8) SECOND=$(hsv "$1" 0.65 0.95) ;;
    esac
}
BUTTON=3.6 TOGGLE=2.4 DROPDOWN=4.3
BACKGROUND="180 180 180" CONTROL_FRAME="60 60 60" SUBMENU_FRAME="80 80 80" SUBMENU_BODY="150 150 150"
POPUP_BODY="140 140 140" POPUP_HIGHLIGHT="100 100 100" TOOLTIP_BODY="255,255,220" TOOLTIP_FRAME="30 30 30"

# One pixel of a gradient from colour A to colour B across a quad of N pixels, at pixel I of it (0 first):
# the colours belong to the quad's edges, half a pixel beyond the centres of its first and last pixels.
gradient() {
    awk -v a="$1" -v b="$2" -v i="$3" -v n="$4" 'BEGIN {
        split(a, p, " "); split(b, q, " "); t = (i + 0.5) / n
        printf "%d %d %d\n", p[1] + (q[1] - p[1]) * t + 0.5, p[2] + (q[2] - p[2]) * t + 0.5, p[3] + (q[3] - p[3]) * t + 0.5 }'
}

# --- expectations: lines of "X Y R G B" ----------------------------------------------------------------

# A face at (X, Y, W, H) with the gradient FIRST to SECOND: the frame on all four sides, the gradient down
# both inner edge columns, and the margin pixel left of it.
face() {
    local x=$1 y=$2 w=$3 h=$4 row
    echo "$((x + w / 2)) $y $CONTROL_FRAME"
    echo "$((x + w / 2)) $((y + h - 1)) $CONTROL_FRAME"
    echo "$x $((y + h / 2)) $CONTROL_FRAME"
    echo "$((x + w - 1)) $((y + h / 2)) $CONTROL_FRAME"
    echo "$((x - 1)) $((y + h / 2)) $BACKGROUND"
    for row in $(seq 0 $((h - 3))); do
        local colour
        colour=$(gradient "$FIRST" "$SECOND" "$row" $((h - 2)))
        echo "$((x + 1)) $((y + 1 + row)) $colour"
        echo "$((x + w - 2)) $((y + 1 + row)) $colour"
    done
}
# A submenu panel of the given width and hue whose rectangle starts at absolute x LEFT, seen in an
# 800-pixel bar: its frame and body, the background beside it, both ends of its title bar, wherever they
# are on screen.
panel() {
    local left=$1 width=$2 hue=$3 titleleft titleright
    titleleft=$(hsv "$hue" 0.65 0.85) titleright=$(hsv "$hue" 0.65 0.7)
    on_screen() { [ "$1" -ge 0 ] && [ "$1" -lt 800 ]; }
    on_screen $((left - 4)) && echo "$((left - 4)) 540 $BACKGROUND"
    on_screen $((left - 3)) && echo "$((left - 3)) 540 $SUBMENU_FRAME"
    on_screen $((left - 2)) && echo "$((left - 2)) 540 $SUBMENU_BODY"
    on_screen $((left - 1)) && echo "$((left - 1)) 474 $(gradient "$titleleft" "$titleright" 1 $((width + 4)))"
    on_screen $((left + width)) && echo "$((left + width)) 474 $(gradient "$titleleft" "$titleright" \
        $((width + 2)) $((width + 4)))"
    on_screen $((left + width + 1)) && echo "$((left + width + 1)) 540 $SUBMENU_BODY"
    on_screen $((left + width + 2)) && echo "$((left + width + 2)) 540 $SUBMENU_FRAME"
    on_screen $((left + width + 3)) && echo "$((left + width + 3)) 540 $BACKGROUND"
    true
}
# All six panels at scroll offset OFFSET, every one shown.
panels() {
    local offset=$1
    panel $((5 - offset)) 110 0
    panel $((125 - offset)) 100 0.5
    panel $((235 - offset)) 200 1
    panel $((445 - offset)) 200 1.5
    panel $((655 - offset)) 200 2
    panel $((865 - offset)) 200 2.5
}

shots=0
# Polls the window until every pixel of the expectation on standard input is within 2 of its colour, at
# most 5 s; otherwise a failure naming the first wrong pixels, with the last shot kept beside the test.
expect() {
    local what=$1 expected points bad=""
    expected=$(cat)
    points=$(awk '{print $1 "," $2}' <<<"$expected")
    for _ in $(seq 50); do
        # shellcheck disable=SC2086
        bad=$(paste -d' ' <(echo "$expected") <("$xpixels" "$window" $points) | awk '{
            for (i = 0; i < 3; ++i) { d = $(3 + i) - $(6 + i); if (d > 2 || d < -2) {
                print "(" $1 "," $2 ") is " $6 " " $7 " " $8 ", expected " $3 " " $4 " " $5; next } } }')
        [ -z "$bad" ] && return 0
        sleep 0.1
    done
    shots=$((shots + 1))
    "$xpixels" "$window" "save:$PWD/interface-failure-$shots.ppm" >/dev/null
    fail "$what: $(head -n3 <<<"$bad" | paste -sd';') (shot interface-failure-$shots.ppm)"
}

# The face of a control as WHAT says: the colour function and its arguments (hue, hot, pressed or open),
# then the control's X, Y, W, H.
shows() {
    local what=$1
    "$2" "$3" "$4" "$5"
    shift 5
    face "$@" | expect "$what"
}

# --- frames ----------------------------------------------------------------------------------------------

frames() { grep -c '^\[qzGLDevice\] Present: ' "$log"; }
# Runs the command, then waits until a frame after it has been presented, at most 5 s.
framed() {
    local before
    before=$(frames)
    "$@"
    for _ in $(seq 100); do
        [ "$(frames)" -gt "$before" ] && return 0
        sleep 0.05
    done
    fail "no frame after: $*"
}
# Waits until no frame has come for half a second.
quiet() {
    local before
    before=$(frames)
    while sleep 0.5; [ "$(frames)" -ne "$before" ]; do before=$(frames); done
}

move() { xdotool mousemove --window "$window" "$1" "$2"; }
now_ms() { date +%s%3N; }

FACETWRIGHT_LOG_FRAMES=1 "$program" 2>"$log" &
pid=$!
window=$(find_window)
[ -n "$window" ] || { fail "no window"; cat "$log" >&2; exit 1; }
wait_for_line "[pw2_GraphicsController] Device was reset."
# Away from every control, so that nothing is hot.
move 600 200
quiet

# The idle interface: the frame that leaving a button redraws, with nothing hot again.
move 60 412
quiet
framed move 600 200
quiet
echo "idle frame at 800x600: $(grep '^\[qzGLDevice\] Present: ' "$log" | tail -n1 | cut -d' ' -f3-)"
before=$(frames)
sleep 2
idle=$(($(frames) - before))
echo "frames presented in 2 s of idling: $idle"
[ "$idle" = 0 ] || fail "the idle program presented $idle frames in 2 s"

# --- buttons: the "Top" button of the left view (51, 403, 48 x 18) ----------------------------------------
TOP="51 403 48 18"
shows "button, normal" face_colours $BUTTON 0 0 $TOP
move 60 412
shows "button, hot" face_colours $BUTTON 1 0 $TOP
xdotool mousedown 1
shows "button, pressed" face_colours $BUTTON 1 1 $TOP
# Held and dragged off, it stays active but lets go of the press; back on, it is pressed again.
move 200 300
shows "button, dragged off" face_colours $BUTTON 1 0 $TOP
move 60 412
shows "button, dragged back" face_colours $BUTTON 1 1 $TOP
xdotool mouseup 1
shows "button, released" face_colours $BUTTON 1 0 $TOP
move 600 200
shows "button, left" face_colours $BUTTON 0 0 $TOP

# --- toggles: "Geom" always on, "Tex" always off, "Ortho" of the left view flips with a click --------------
GEOM="6 403 43 19" TEX="6 422 43 19" ORTHO="286 403 38 18"
shows "Geom, normal" face_colours $TOGGLE 0 1 $GEOM
shows "Tex, normal" face_colours $TOGGLE 0 0 $TEX
shows "Ortho, on" face_colours $TOGGLE 0 1 $ORTHO
move 20 410
shows "Geom, hot" face_colours $TOGGLE 1 1 $GEOM
move 20 430
shows "Tex, hot" face_colours $TOGGLE 1 0 $TEX
framed xdotool click 1
shows "Tex, clicked (stays off)" face_colours $TOGGLE 1 0 $TEX
move 300 410
shows "Ortho, on and hot" face_colours $TOGGLE 1 1 $ORTHO
xdotool click 1
shows "Ortho, clicked off" face_colours $TOGGLE 1 0 $ORTHO
move 600 200
shows "Ortho, off" face_colours $TOGGLE 0 0 $ORTHO
move 300 410
xdotool click 1
move 600 200
shows "Ortho, clicked on again" face_colours $TOGGLE 0 1 $ORTHO

# --- tab buttons: "Geometry" (6, 448, 68 x 18, hue 0) hides and shows its panel ----------------------------
GEOMETRY_TAB="6 448 68 18"
shows "Geometry tab, open" tab_colours 0 0 1 $GEOMETRY_TAB
panels 0 | expect "panels at the start"
move 30 456
shows "Geometry tab, open and hot" tab_colours 0 1 1 $GEOMETRY_TAB
xdotool click 1
shows "Geometry tab, hidden and hot" tab_colours 0 1 0 $GEOMETRY_TAB
{ panel 5 100 0.5; panel 115 200 1; panel 325 200 1.5; panel 535 200 2; panel 745 200 2.5; } |
    expect "panels with Geometry hidden, 120 pixels to the left"
echo "5 540 $SUBMENU_BODY" | expect "no Geometry panel"
move 600 200
shows "Geometry tab, hidden" tab_colours 0 0 0 $GEOMETRY_TAB
move 30 456
xdotool click 1
shows "Geometry tab, shown again" tab_colours 0 1 1 $GEOMETRY_TAB
panels 0 | expect "panels back in place"
move 600 200

# --- scrolling the submenu bar: 1070 pixels of panels in 800 scroll from 0 to 270 -------------------------
# Over the empty "History" panel, which hands the wheel and the drag to the bar.
move 550 580
framed xdotool click 4
panels 50 | expect "one notch away from the user"
for _ in 1 2 3 4; do xdotool click 4; done
panels 250 | expect "five notches"
framed xdotool click 4
panels 270 | expect "six notches, at the clamp"
framed xdotool click 4
panels 270 | expect "seven notches, still at the clamp"
framed xdotool click 5
panels 220 | expect "one notch back"
for _ in $(seq 5); do xdotool click 5; done
framed xdotool click 5
panels 0 | expect "back at the start, at the clamp"

# A drag from x 550: the offset follows the pointer, stops at either clamp and tracks again at once.
xdotool mousedown 1
framed move 450 580
panels 100 | expect "dragged 100 pixels to the left"
framed move 100 580
panels 270 | expect "dragged past the right end"
framed move 400 580
panels 150 | expect "dragged back from beyond the right end"
framed move 700 580
panels 0 | expect "dragged past the left end"
framed move 650 580
panels 0 | expect "still beyond the left end"
framed move 500 580
panels 50 | expect "dragged back from beyond the left end"
xdotool mouseup 1
move 300 580
sleep 0.3
panels 50 | expect "no drag after the release"
for _ in 1 2; do xdotool click 5; done
panels 0 | expect "wheeled back"

# --- dropdowns: the display mode of the left view (251, 423, 73 x 18), five entries ----------------------
MODES="251 423 73 18"
move 600 200
shows "dropdown, normal" face_colours $DROPDOWN 0 0 $MODES
move 260 432
shows "dropdown, hot" face_colours $DROPDOWN 1 0 $MODES
# The list of five entries opens below at (251, 441, 73 x 84) with the current entry highlighted.
rows() {
    local i
    echo "252 442 $POPUP_BODY"
    echo "287 441 $CONTROL_FRAME"
    echo "287 524 $CONTROL_FRAME"
    echo "251 480 $CONTROL_FRAME"
    echo "323 480 $CONTROL_FRAME"
    for i in 0 1 2 3 4; do
        if [ "$i" = "$1" ]; then
            echo "253 $((443 + 16 * i)) $POPUP_HIGHLIGHT"
            echo "321 $((458 + 16 * i)) $POPUP_HIGHLIGHT"
        else
            echo "253 $((450 + 16 * i)) $POPUP_BODY"
        fi
    done
}
xdotool click 1
shows "dropdown, open" face_colours $DROPDOWN 0 1 $MODES
rows 0 | expect "list open on the first entry"
press Down
rows 1 | expect "down arrow"
press Down
press Down
rows 3 | expect "two more down arrows"
press Up
press Down
rows 3 | expect "up and down again"
press Return
# Under the closed list: the view's background and the "Actions" panel.
{ echo "253 443 $BACKGROUND"; echo "253 471 $BACKGROUND"; echo "320 500 $SUBMENU_BODY"; } |
    expect "list closed by enter"
shows "dropdown closed, not hot until the mouse moves" face_colours $DROPDOWN 0 0 $MODES
# The root took over from the closed list: the next press needs a move to find the dropdown again.
move 262 432
xdotool click 1
rows 3 | expect "list open again on the entry chosen by enter"
press Down
press Down
rows 4 | expect "down arrows to the last entry"
press Down
sleep 0.3
rows 4 | expect "down arrow on the last entry"
press Escape
echo "320 500 $SUBMENU_BODY" | expect "list closed by escape"
move 260 432
xdotool click 1
rows 3 | expect "escape chose nothing"
move 600 200
press Up
rows 2 | expect "keys still reach the list with the mouse elsewhere"
xdotool click 1
echo "320 500 $SUBMENU_BODY" | expect "list closed by a click outside"
shows "dropdown after the click outside" face_colours $DROPDOWN 0 0 $MODES
move 260 432
xdotool click 1
rows 3 | expect "the click outside chose nothing"
# With the mouse: the row under the pointer lights up; a click in the list's 2-pixel border chooses nothing
# and leaves it open; a click on a row chooses it.
move 270 470
rows 1 | expect "the row under the mouse"
move 252 470
xdotool click 1
sleep 0.3
rows 1 | expect "a click in the border"
move 270 483
xdotool click 1
echo "320 500 $SUBMENU_BODY" | expect "list closed by a click on a row"
move 260 432
xdotool click 1
rows 2 | expect "the row chosen by the click"
press Escape
# Pressed on the dropdown, dragged onto a row and released there.
move 262 432
xdotool mousedown 1
move 270 515
rows 4 | expect "dragged onto the last row"
xdotool mouseup 1
echo "320 500 $SUBMENU_BODY" | expect "list closed by the release"
move 260 432
xdotool click 1
rows 4 | expect "the row chosen by the drag"
# Back to the first mode, so that the frames measured below show the view as it starts.
for _ in 1 2 3 4; do press Up; done
rows 0 | expect "up arrows to the first entry"
press Return
echo "320 500 $SUBMENU_BODY" | expect "list closed again by enter"
move 600 200

# --- the tooltip of "Top": after 600 ms, below the mouse, inside the window, gone on a click --------------
# The box: the light-yellow body inside a dark frame, in client pixels.
tooltip_body() { "$xpixels" "$window" "box:$TOOLTIP_BODY"; }
start=$(now_ms)
move 75 410
while :; do
    body=$(tooltip_body)
    elapsed=$(($(now_ms) - start))
    if [ "$body" != none ]; then
        [ "$elapsed" -gt 600 ] || fail "the tooltip came after $elapsed ms, not after more than 600"
        break
    fi
    [ "$elapsed" -lt 5000 ] || { fail "no tooltip within 5 s"; break; }
    sleep 0.05
done
if [ "$body" != none ]; then
    read -r bx by bw bh <<<"$body"
    # 20 pixels below the mouse, at its x: the box's frame is one pixel outside the body.
    [ "$((bx - 1)),$((by - 1))" = "75,430" ] || fail "tooltip box at $((bx - 1)),$((by - 1)), expected 75,430"
    [ "$((bx + bw + 1))" -le 800 ] && [ "$((by + bh + 1))" -le 600 ] || fail "tooltip box $body leaves the window"
    { echo "$((bx - 1)) $((by + bh / 2)) $TOOLTIP_FRAME"; echo "$((bx + bw)) $((by + bh / 2)) $TOOLTIP_FRAME"
      echo "$((bx + bw / 2)) $((by - 1)) $TOOLTIP_FRAME"; echo "$((bx + bw / 2)) $((by + bh)) $TOOLTIP_FRAME"; } |
        expect "tooltip frame"
fi
xdotool click 1
for _ in $(seq 50); do [ "$(tooltip_body)" = none ] && break; sleep 0.1; done
[ "$(tooltip_body)" = none ] || fail "the tooltip stays after a click"
sleep 1
[ "$(tooltip_body)" = none ] || fail "the tooltip came back without a change of window"

# Near the right edge ("Center" of the right view) the box is pushed left to end at the window's edge.
move 600 200
move 790 430
for _ in $(seq 50); do body=$(tooltip_body); [ "$body" != none ] && break; sleep 0.1; done
if [ "$body" = none ]; then
    fail "no tooltip over Center"
else
    read -r bx by bw bh <<<"$body"
    [ "$((bx + bw + 1)),$((by - 1))" = "800,450" ] ||
        fail "tooltip box ends at $((bx + bw + 1)),$((by - 1)), expected 800,450"
fi
move 600 200
quiet
before=$(frames)
sleep 2
[ "$(frames)" = "$before" ] || fail "the program presented frames while idle after the tests"

# A larger window: the same idle frame with wider panels and more of them in view.
xdotool windowsize "$window" 1280 1000
wait_for_line "[ResizeAll] OnResize: Resize to 1280x1000."
move 60 812
quiet
framed move 600 200
quiet
echo "idle frame at 1280x1000: $(grep '^\[qzGLDevice\] Present: ' "$log" | tail -n1 | cut -d' ' -f3-)"

# A clean end, so that a sanitizer build reports what the session leaked.
press alt+F4
wait_for_exit
[ "${status:-x}" = 0 ] || fail "exit status ${status:-none} after Alt+F4, expected 0"
if [ "$failures" -ne 0 ]; then
    echo "--- program log ---" >&2; grep -v '^\[qzGLDevice\] Present: ' "$log" >&2
    exit 1
fi
echo "interface test passed"
