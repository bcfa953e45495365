#!/usr/bin/env bash
# Measures the real program on a virtual display: milliseconds from start to the main window being mapped,
# and the processor time the idle program uses over 10 seconds (from /proc/PID/stat).
# Usage: bench/shell_startup_idle.sh [build folder]
set -euo pipefail
build=$(readlink -f "${1:-build}")
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi
ticks=$(getconf CLK_TCK)
start=$(date +%s%N)
"$build/facetwright" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
# Polled every 10 ms: xdotool's own --sync waits in steps of half a second.
until xdotool search --onlyvisible --name '^Facetwright v6$' >/dev/null 2>&1; do
    sleep 0.01
done
mapped=$(date +%s%N)
echo "start to mapped window: $(( (mapped - start) / 1000000 )) ms"
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 1
before=$(cpu)
sleep 10
after=$(cpu)
echo "idle processor time over 10 s: $(( (after - before) * 1000 / ticks )) ms ($(( (after - before) * 100 / ticks / 10 )).$(( (after - before) * 1000 / ticks / 10 % 10 )) % of one core)"
