# The waits that the tests of the real program share. They read $log and $pid and report through fail.

# Waits until the log holds the line, at most 10 s.
wait_for_line() {
    for _ in $(seq 200); do
        grep -qxF -- "$1" "$log" && return 0
        sleep 0.05
    done
    fail "no log line '$1'"; return 1
}

# Sets status to the program's exit status once it has ended, at most 10 s; empty if it did not end.
wait_for_exit() {
    status=
    for _ in $(seq 200); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            status=$?
            return
        fi
        sleep 0.05
    done
}

# The program's window titled exactly TITLE (a regular expression), once it is shown; waits without end, so
# callers bound it: timeout N bash -c "$(declare -f wait_for_title); wait_for_title 'TITLE'".
wait_for_title() {
    xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | tail -n1
}
