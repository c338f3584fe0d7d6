# Sourced by the test scripts that run programs: skipping when a tool is missing, ending a
# process, and a private X server.

# require_tools TOOL...: exits 77 (skipped) when one of them is not installed.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$tool is not installed: skipped"
            exit 77
        fi
    done
}

# stop PID: ends a process, forcibly if it has not gone within five seconds.
stop() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$1" 2>/dev/null || true
}

# start_xvfb WORK XVFB-OPTIONS...: starts Xvfb on a free display (-displayfd writes its number once
# the server accepts clients), sets `server` to its process id and exports DISPLAY.
start_xvfb() {
    local work=$1
    shift
    rm -f "$work/display"
    Xvfb -displayfd 3 "$@" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    server=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
}
