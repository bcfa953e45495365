#!/usr/bin/env bash
# The crash report through the real handlers on a virtual display: the probe throws an exception, throws a
# text, fails an assertion, writes through a null pointer and overflows its stack; the real program is
# stopped by a signal. Each time the report on standard error names the functions on the stack, the window
# shows, and "Close" (or the close box) ends the program with a failure status.
# Usage: test_crash.sh PROBE PROGRAM XCLOSE   (starts its own Xvfb unless INSIDE_XVFB is set)
set -uo pipefail
probe=$(readlink -f "$1")
program=$(readlink -f "$2")
xclose=$(readlink -f "$3")
if [ -z "${INSIDE_XVFB:-}" ]; then
    # The search for a free display starts at a number of its own: the other virtual displays of the machine
    # start low, and two searches from the same number can pick the same display. Without -noreset the server
    # resets when its last client leaves, and the next program, started then, finds no display.
    INSIDE_XVFB=1 exec xvfb-run -a -n $((200 + RANDOM % 500)) -s "-screen 0 1280x1024x24 -noreset" \
        "$0" "$probe" "$program" "$xclose"
fi

work=$(mktemp -d)
pid=
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
log="$work/log"
failures=0
reported=0
fail() { echo "FAIL ($case): $*" >&2; failures=$((failures + 1)); }
case=setup

for file in "$(dirname "$probe")/debugsymbols.dat" "$(dirname "$program")/debugsymbols.dat"; do
    [ -s "$file" ] || fail "the build made no $file"
done

here=$(dirname "$(readlink -f "$0")")
source "$here/../window/wait.sh"
source "$here/report.sh"

case=throw
"$probe" throw 2>"$log" &
pid=$!
window=$(find_crash_window) || fail "no crash window"
check_report "main" "probe failure" "__cxa_throw" "(anonymous namespace)::ProbeInner(int)" \
    "(anonymous namespace)::ProbeMiddle(int)" "(anonymous namespace)::ProbeOuter()" "pw2_RunGuarded(int (*)())" "main"
[ -n "$window" ] && press_close "$window"
finish 1

case=text
"$probe" text 2>"$log" &
pid=$!
window=$(find_crash_window) || fail "no crash window"
check_report "main" "Failed to load fonts." "(anonymous namespace)::ProbeInner(int)" \
    "(anonymous namespace)::ProbeOuter()"
# The close box ends it as well: there is no window manager here, so the test asks as one would.
[ -n "$window" ] && "$xclose" "$window"
finish 1

# A failed assertion traps: its text comes first, then the report of the trap with the stack of the assertion.
case=assert
"$probe" assert 2>"$log" &
pid=$!
window=$(find_crash_window) || fail "no crash window"
grep -qxF "    Expression: depth<0" "$log" || fail "no assertion report"
check_report "fatal signal handler" "SIGTRAP (breakpoint trap)" "(anonymous namespace)::ProbeInner(int)" \
    "(anonymous namespace)::ProbeMiddle(int)" "(anonymous namespace)::ProbeOuter()"
[ -n "$window" ] && press_close "$window"
finish $((128 + 5))

case=null
"$probe" null 2>"$log" &
pid=$!
window=$(find_crash_window) || fail "no crash window"
check_report "fatal signal handler" "SIGSEGV (segmentation fault) at address 0000000000000000" \
    "(anonymous namespace)::ProbeInner(int)" "(anonymous namespace)::ProbeMiddle(int)" \
    "(anonymous namespace)::ProbeOuter()" "main"
[ -n "$window" ] && press_close "$window"
finish $((128 + 11))

# A stack overflow is reported from the handler's own stack; the endless recursion is cut at 100 addresses.
case=overflow
"$probe" overflow 2>"$log" &
pid=$!
window=$(find_crash_window) || fail "no crash window"
[ "$(report | sed -n 2p)" = "fatal signal handler" ] || fail "location is not the signal handler"
report | sed -n 5p | grep -qE '^SIGSEGV \(segmentation fault\) at address [0-9A-F]{16}$' || fail "not a SIGSEGV"
[ "$(stack_names | grep -cxF '(anonymous namespace)::Overflow(int)')" = 100 ] ||
    fail "the stack is not 100 frames of the recursion: $(stack_names | sort | uniq -c | tr '\n' '|')"
[ -n "$window" ] && press_close "$window"
finish $((128 + 11))

# Without its symbol file, or with a damaged one, the probe reports the same stack as bare addresses.
mkdir "$work/bare"
cp "$probe" "$work/bare/crash_probe"
for symbols in missing damaged; do
    case="throw, $symbols symbols"
    if [ "$symbols" = damaged ]; then
        cp "$(dirname "$probe")/debugsymbols.dat" "$work/bare/debugsymbols.dat"
        printf '\xff' | dd of="$work/bare/debugsymbols.dat" bs=1 seek=40 conv=notrunc 2>/dev/null
    fi
    "$work/bare/crash_probe" throw 2>"$log" &
    pid=$!
    window=$(find_crash_window) || fail "no crash window"
    check_bare_stack
    [ -n "$window" ] && press_close "$window"
    finish 1
done

# The real program, with the symbols its build made, stopped in its main loop.
case=program
"$program" 2>"$log" &
pid=$!
wait_for_line "[pw2_Main] Constructor." && wait_for_line "[ResizeAll] OnResize: Resize to 800x600."
# Stopped where it spends its time, in the loop's sleep: a signal inside the window system's own code may find
# its locks held, and the report then ends by its watchdog instead of showing.
for _ in $(seq 200); do
    [ "$(cat "/proc/$pid/wchan" 2>/dev/null)" = hrtimer_nanosleep ] && break
    sleep 0.01
done
kill -SEGV "$pid"
window=$(find_crash_window) || fail "no crash window"
check_report "fatal signal handler" "SIGSEGV (segmentation fault)" "pw2_Main::Run()" "(anonymous namespace)::RunApplication()" \
    "pw2_RunGuarded(int (*)())" "main"
# The crashed program's own window stays, but its handlers are not run any more: a resize reaches no one.
main_window=$(xdotool search --onlyvisible --name '^Facetwright v6$' | grep -vx "${window:-none}" | head -n1)
if [ -n "$main_window" ]; then
    xdotool windowsize "$main_window" 900 700
    sleep 1
    ! grep -q "OnResize: Resize to 900x700" "$log" || fail "the crashed program still handles its window's messages"
else
    fail "the program's own window is gone"
fi
[ -n "$window" ] && press_close "$window"
finish $((128 + 11))

[ "$failures" -eq 0 ] || exit 1
echo "crash report test passed"
