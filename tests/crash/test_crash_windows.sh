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

source "$(dirname "$(readlink -f "$0")")/../window/wait.sh"
# The crash window: the visible window of the program's title with the report's 500 x 400 client area.
find_crash_window() {
    for _ in $(seq 300); do
        for window in $(xdotool search --onlyvisible --name '^Facetwright v6$' 2>/dev/null); do
            size=$(xwininfo -id "$window" | awk '/Width:/{w=$NF} /Height:/{h=$NF} END{print w "x" h}')
            [ "$size" = "500x400" ] && { echo "$window"; return 0; }
        done
        sleep 0.05
    done
    return 1
}
# The report between its two lines of 40 '-', without the lines; Wine's own debug lines left out.
report() {
    grep -v '^[0-9a-f]*:[a-z]*:debugstr:' "$log" |
        awk -v frame="$(printf -- '-%.0s' $(seq 40))" '$0 == frame { n++; next } n == 1'
}
# The names on the call stack, one a line, in order: the text after the address and before " + ". The parts
# and copies that an optimised build makes of a function ("[clone .constprop.0]") count as the function.
stack_names() {
    report | awk '/^Call stack:$/{s=1; next} s' | sed -nE 's/^[0-9A-F]{16} (.*) \+ [0-9]+$/\1/p' |
        sed 's/ \[clone [^]]*\]//g'
}
in_order() {
    awk 'NR == FNR { wanted[++n] = $0; next } i < n && $0 == wanted[i + 1] { i++ } END { exit i == n ? 0 : 1 }' \
        - <(stack_names)
}
check_report() {
    local location="$1" exception="$2"
    shift 2
    grep -qF 'OutputDebugStringA "[pw2_UnhandledException] Unhandled exception caught.\n"' "$log" ||
        fail "the first line of the report did not go through OutputDebugStringA"
    [ "$(grep -cxE -- '-{40}' "$log")" = 2 ] || fail "the report is not framed by two lines of 40 '-'"
    [ "$(report | sed -n 1,2p)" = "$(printf 'Location:\n%s' "$location")" ] || fail "location is not '$location'"
    [ "$(report | sed -n 4,5p)" = "$(printf 'Exception:\n%s' "$exception")" ] ||
        fail "exception is not '$exception'"
    printf '%s\n' "$@" | in_order || fail "the stack does not name $* in this order: $(stack_names | tr '\n' '|')"
}
# Runs the probe in the background; its standard error becomes a new $log, with the C runtime's CR LF made LF.
# Each run has a log of its own: the filter of the run before may still write to its own.
runs=0
start() {
    runs=$((runs + 1))
    log="$work/log$runs"
    wine "$1/crash_probe.exe" "$2" 2> >(sed -u 's/\r$//' >"$log") &
    pid=$!
}
# Ends the window: "Close" at the middle of the button, (220, 370) with size 60 x 20 in the client area, or
# the close box, which the test asks for as a window manager would.
close_window() {
    local window
    window=$(find_crash_window) || { fail "no crash window"; return; }
    if [ "$1" = button ]; then
        xdotool mousemove --window "$window" 250 380 sleep 0.2 click 1
    else
        "$xclose" "$window"
    fi
}
finish() {
    local expected="$1"
    wait_for_exit
    if [ -z "$status" ]; then
        fail "the program did not end"
    elif [ "$status" != "$expected" ]; then
        fail "exit status $status, expected $expected"
    fi
    if [ "$failures" -ne "$reported" ]; then
        echo "--- log of $case ---" >&2; cat "$log" >&2
        reported=$failures
    fi
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
    lines=$(report | awk '/^Call stack:$/{s=1; next} s')
    [ "$(grep -cE '^[0-9A-F]{16}$' <<<"$lines")" -ge 5 ] && ! grep -qvE '^[0-9A-F]{16}$' <<<"$lines" ||
        fail "the stack is not of bare addresses: $lines"
    close_window button
    finish 1
done

[ "$failures" -eq 0 ] || exit 1
echo "Windows crash report test passed"
