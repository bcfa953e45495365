#!/usr/bin/env bash
# Starts the program from a build folder. Without a display it runs it on a virtual one, saves a screenshot
# of its first frames to build/facetwright-shot.png and closes it again.
set -euo pipefail
build=${1:-build}
program="$build/facetwright"
if [ ! -x "$program" ]; then
    echo "run.sh: $program has not been built" >&2
    exit 1
fi
if [ -z "${RUN_INSIDE_XVFB:-}" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$program"
fi
if [ -z "${RUN_INSIDE_XVFB:-}" ]; then
    echo "run.sh: no display, starting the program under Xvfb" >&2
    RUN_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi
shot="$build/facetwright-shot.png"
"$program" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Facetwright v6$' 2>/dev/null | tail -n1 || true)
if [ -n "$window" ] && kill -0 "$pid" 2>/dev/null; then
    sleep 1
    import -window root "$shot"
    echo "run.sh: screenshot saved to $shot" >&2
    # No window manager here: the window takes the focus itself before it gets Alt+F4.
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key alt+F4
fi
wait "$pid"
