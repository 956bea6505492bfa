#!/bin/bash
# kestrel-demo.exe under wine on an X server (run inside xvfb-run with a 1024x768x24 screen) against
# the simulated keyboard: the skinned 500 x 384 window, a click on its OK running the update to the
# result dialog, screenshots of both compared with the Linux references (fonts differ a little, so a
# few per cent of the pixels may), and the exit code 0 after a click on the dialog's OK.
#
#   gui_demo_exe_test.sh WINE_RUN DEMO_EXE REFDIR
set -u

WINE_RUN=$1
DEMO=$2
REFDIR=$3
WORK=$(mktemp -d)
PID=0
trap '[ $PID -ne 0 ] && kill $PID 2>/dev/null; rm -rf "$WORK"' EXIT
FAILURES=0

# shellcheck source=../support/xwindows.sh
. "$(dirname "$0")/../support/xwindows.sh"

# The main window's screen area (500 x 384 at X Y) against the reference $1.png, allowing 3% of
# its pixels to differ by more than 10%.
check_screen() {
    local name=$1 x=$2 y=$3 diff total
    import -window root -crop "500x384+$x+$y" +repage "$WORK/$name.png"
    diff=$(compare -metric AE -fuzz 10% "$WORK/$name.png" "$REFDIR/$name.png" null: 2>&1 | sed 's/ .*//')
    total=$((500 * 384))
    echo "$name: $diff of $total pixels differ"
    if ! [ "$diff" -le $((total * 3 / 100)) ] 2>/dev/null; then
        fail "$name: $diff of $total pixels differ from the reference"
        cp "$WORK/$name.png" "${TMPDIR:-/tmp}/kestrel-winexe-$name.png" 2>/dev/null
    fi
}

click() { xdotool mousemove "$1" "$2" click 1; }

# Ends a run that went wrong and shows what it wrote.
stop_demo() {
    kill "$PID" 2>/dev/null
    wait "$PID" 2>/dev/null
    PID=0
    cat "$WORK/$1.log"
}

# One window-mode run: main window, OK, the result dialog $1 (reference $1.png), its OK, exit 0.
run_case() {
    local name=$1 sim=$2 found id x y
    # Its output goes to a file: wine processes that outlive the run must not hold the test's output.
    KESTREL_HID=sim KESTREL_SIM="$sim" "$WINE_RUN" "$DEMO" </dev/null >"$WORK/$name.log" 2>&1 &
    PID=$!
    if ! found=$(wait_window 500x384 60); then
        fail "$name: no 500 x 384 main window"
        stop_demo "$name"
        return
    fi
    read -r id x y <<<"$found"
    sleep 1   # the first frame is presented after the window maps
    check_screen main "$x" "$y"
    click $((x + 257)) $((y + 346))   # OK: 210..304, 329..363
    if ! found=$(wait_window 436x269 30); then
        fail "$name: no result dialog after OK"
        stop_demo "$name"
        return
    fi
    sleep 0.5
    check_screen "$name" "$x" "$y"
    read -r id dx dy <<<"$found"
    [ "$dx,$dy" = "$((x + 32)),$((y + 57))" ] || fail "$name: dialog at $dx,$dy, not centred over the window"
    click $((dx + 222)) $((dy + 235))   # the dialog's OK
    local tries=100
    while kill -0 "$PID" 2>/dev/null && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
    if kill -0 "$PID" 2>/dev/null; then
        fail "$name: still running after the dialog's OK"
        kill "$PID"
    fi
    wait "$PID"
    local code=$?
    PID=0
    [ $code -eq 0 ] || fail "$name: exit code $code"
    [ $FAILURES -eq 0 ] || cat "$WORK/$name.log"
}

run_case success "time-scale=5"
run_case failure "time-scale=50;fault=checksum-always"

[ $FAILURES -eq 0 ] && echo "gui_demo_exe_test: all checks passed"
exit $((FAILURES > 0))
