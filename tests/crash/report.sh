# The reading of a crash report that the crash tests share. They set $log (the program's standard error),
# $case and $pid, count failures with fail, and source ../window/wait.sh before this.

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
# The log without the lines of Wine's debug channel, which a Windows build under Wine mixes in.
own_lines() { grep -v '^[0-9a-f]*:[a-z]*:debugstr:' "$log"; }
# The report between its two lines of 40 '-', without the lines.
report() { own_lines | awk -v frame="$(printf -- '-%.0s' $(seq 40))" '$0 == frame { n++; next } n == 1'; }
# The names on the call stack, one a line, in order: the text after the address and before " + ". The parts
# and copies that an optimised build makes of a function ("[clone .cold]") count as the function.
stack_names() {
    report | awk '/^Call stack:$/{s=1; next} s' | sed -nE 's/^[0-9A-F]{16} (.*) \+ [0-9]+$/\1/p' |
        sed 's/ \[clone [^]]*\]//g'
}
# Whether the names given on standard input occur on the stack in this order (others may lie between).
in_order() {
    awk 'NR == FNR { wanted[++n] = $0; next } i < n && $0 == wanted[i + 1] { i++ } END { exit i == n ? 0 : 1 }' \
        - <(stack_names)
}
# Checks the report's first line, frame, place and failure, and the names on its stack in order.
check_report() {
    local location="$1" exception="$2"
    shift 2
    [ "$(own_lines | grep -m1 -B1 -xE -- '-{40}' | head -n1)" = "[pw2_UnhandledException] Unhandled exception caught." ] ||
        fail "the report's frame does not follow its first line"
    [ "$(grep -cxE -- '-{40}' "$log")" = 2 ] || fail "the report is not framed by two lines of 40 '-'"
    [ "$(report | sed -n 1,2p)" = "$(printf 'Location:\n%s' "$location")" ] || fail "location is not '$location'"
    [ "$(report | sed -n 4,5p)" = "$(printf 'Exception:\n%s' "$exception")" ] ||
        fail "exception is not '$exception'"
    printf '%s\n' "$@" | in_order || fail "the stack does not name $* in this order: $(stack_names | tr '\n' '|')"
}
# Checks that the stack is listed as bare addresses, as it is without symbols.
check_bare_stack() {
    local lines
    lines=$(report | awk '/^Call stack:$/{s=1; next} s')
    [ "$(grep -cE '^[0-9A-F]{16}$' <<<"$lines")" -ge 5 ] && ! grep -qvE '^[0-9A-F]{16}$' <<<"$lines" ||
        fail "the stack is not of bare addresses: $lines"
}
# Presses "Close" at the middle of the button, (220, 370) with size 60 x 20 in the client area.
press_close() {
    # Not --sync: the pointer may be there already from the case before, and then that waits for a move.
    xdotool mousemove --window "$1" 250 380 sleep 0.2 click 1
}
# Waits for the end with the expected status; the log of a case that failed goes to standard error.
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
