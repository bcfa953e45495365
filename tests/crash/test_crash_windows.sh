#!/usr/bin/env bash
# The crash report of the Windows build under Wine on a virtual display: the probe throws an exception, throws
# a text, fails an assertion and writes through a null pointer. Each time the report names the probe's own
# functions from the debugsymbols.dat that symgen makes of the probe's PE image, the report's first line goes
# through OutputDebugStringA, the window shows, and "Close" (or the close box) ends the program with a failure
# status (the low byte of the exception's code under Wine). Without symbols, or with damaged ones, the same
# stack is listed as bare addresses.
# Usage: test_crash_windows.sh PROBE.EXE SYMGEN XCLOSE   (starts its own Xvfb unless INSIDE_XVFB is set)
set -uo pipefail
probe=$(readlink -f "$1")
symgen=$(readlink -f "$2")
xclose=$(readlink -f "$3")
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -n $((200 + RANDOM % 500)) -s "-screen 0 1280x1024x24 -noreset" \
        "$0" "$probe" "$symgen" "$xclose"
fi

work=$(mktemp -d)
pid=
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
log="$work/log0"
failures=0
reported=0
fail() { echo "FAIL ($case): $*" >&2; failures=$((failures + 1)); }
case=setup
# Standard error holds the whole report (qzOutputDebugString writes it there too), and Wine's debugstr
# channel each OutputDebugStringA call, cut short when it is long.
export WINEDEBUG=-all,+debugstr

# The probe in a directory of its own, with the symbol file that symgen makes of it.
mkdir "$work/named" "$work/bare"
cp "$probe" "$work/named/crash_probe.exe"
cp "$probe" "$work/bare/crash_probe.exe"
"$symgen" "$work/named/crash_probe.exe" "$work/named/debugsymbols.dat" || fail "symgen refused the probe"

here=$(dirname "$(readlink -f "$0")")
source "$here/../window/wait.sh"
source "$here/report.sh"
# Runs the probe in the background; its standard error becomes a new $log, with the C runtime's CR LF made LF.
# Each run has a log of its own: the filter of the run before may still write to its own.
runs=0
start() {
    runs=$((runs + 1))
    log="$work/log$runs"
    wine "$1/crash_probe.exe" "$2" 2> >(sed -u 's/\r$//' >"$log") &
    pid=$!
}
# Ends the window by "Close" or by the close box, which the test asks for as a window manager would.
close_window() {
    local window
    window=$(find_crash_window) || { fail "no crash window"; return; }
    if [ "$1" = button ]; then press_close "$window"; else "$xclose" "$window"; fi
}
# Wine starts slowly the first time: the report, not the window, is waited for first.
wait_for_report() {
    for _ in $(seq 600); do
        [ "$(grep -cxE -- '-{40}' "$log")" -ge 2 ] && return 0
        sleep 0.05
    done
    fail "no report"
}

case=throw
start "$work/named" throw
wait_for_report
# The first line of the report goes through OutputDebugStringA as well.
grep -qF 'OutputDebugStringA "[pw2_UnhandledException] Unhandled exception caught.\n"' "$log" ||
    fail "the first line of the report did not go through OutputDebugStringA"
check_report "main" "probe failure" "__wrap___cxa_throw" "(anonymous namespace)::ProbeInner(int)" \
    "(anonymous namespace)::ProbeMiddle(int)" "(anonymous namespace)::ProbeOuter()" "pw2_RunGuarded(int (*)())" "main"
close_window button
finish 1

case=text
start "$work/named" text
wait_for_report
check_report "main" "Failed to load fonts." "(anonymous namespace)::ProbeInner(int)" \
    "(anonymous namespace)::ProbeOuter()"
close_window box
finish 1

# A failed assertion breaks: its text comes first, then the report of the breakpoint with the assertion's stack.
case=assert
start "$work/named" assert
wait_for_report
grep -qxF "    Expression: depth<0" "$log" || fail "no assertion report"
check_report "unhandled exception filter" "EXCEPTION_BREAKPOINT (breakpoint trap)" \
    "(anonymous namespace)::ProbeInner(int)" "(anonymous namespace)::ProbeMiddle(int)" \
    "(anonymous namespace)::ProbeOuter()"
close_window button
finish 3

case=null
start "$work/named" null
wait_for_report
check_report "unhandled exception filter" \
    "EXCEPTION_ACCESS_VIOLATION (access violation) writing address 0000000000000000" \
    "(anonymous namespace)::ProbeInner(int)" "(anonymous namespace)::ProbeMiddle(int)" \
    "(anonymous namespace)::ProbeOuter()" "main"
close_window button
finish 5

# Without its symbol file, or with a damaged one, the probe reports the same stack as bare addresses.
for symbols in missing damaged; do
    case="throw, $symbols symbols"
    if [ "$symbols" = damaged ]; then
        cp "$work/named/debugsymbols.dat" "$work/bare/debugsymbols.dat"
        printf '\xff' | dd of="$work/bare/debugsymbols.dat" bs=1 seek=40 conv=notrunc 2>/dev/null
    fi
    start "$work/bare" throw
    wait_for_report
    check_bare_stack
    close_window button
    finish 1
done

[ "$failures" -eq 0 ] || exit 1
echo "Windows crash report test passed"
