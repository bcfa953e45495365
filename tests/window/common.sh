# Set-up and helpers of the window tests, sourced first by each with its arguments: the test runs again
# on a virtual display of its own unless INSIDE_XVFB is set. The helpers read the program's log in $log and
# its process id in $pid, and count failures in $failures.
set -uo pipefail
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
log="$work/log"
# Recovery copies stay with the test: a killed program must not leave one for the next test to be asked about.
export XDG_DATA_HOME="$work/data"
# The system libraries under Qt keep some allocations until exit.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lsan.supp:print_suppressions=0}

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"
# Waits until the window's client area is at x, y with width x height, at most 10 s.
wait_for_geometry() {
    local want="$1" got=""
    for _ in $(seq 200); do
        window=$(find_window)
        got=$(xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
              /Width:/{w=$NF} /Height:/{h=$NF} END{print x "," y " " w "x" h}')
        [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "geometry is $got, expected $want"; return 1
}

# The newest visible window of the program, whose title may name a file: a change of window type makes a
# new native window. It is waited for at most 10 s, so that a program that has closed it gives nothing.
find_window() { timeout 10 xdotool search --sync --onlyvisible --name '^(.* - )?Facetwright v6$' | tail -n1; }
# Real key presses (XTEST) into the window, which gets the input focus first.
press() {
    window=$(find_window)
    xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    xdotool key "$1"
}


# Resident memory of the program in KiB.
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }
# Pixels of the rectangle W x H at X, Y of screenshot SHOT that are clearly blue: the lit faces of the
# sample scene. Usage: scene_pixels SHOT X Y W H
scene_pixels() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -fx '(b - r > 0.15) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:
}
# Fails for every assertion or sanitizer report in the log.
check_faults() {
    grep -q "Assertion failed" "$log" && fail "an assertion failed"
    grep -qE "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error" "$log" && fail "the sanitizers report a fault"
    return 0
}
