#!/usr/bin/env bash
# Starts the program from a build folder; without a display it runs under a virtual one.
set -euo pipefail
build=${1:-build}
program="$build/facetwright"
if [ ! -x "$program" ]; then
    echo "run.sh: $program has not been built" >&2
    exit 1
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi
echo "run.sh: no display, starting the program under Xvfb" >&2
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
