#!/bin/bash
# kestrel-demo under an X server (run inside xvfb-run with a 1024x768x24 screen) against the
# simulated keyboard, driven by xdotool and checked through screenshots (ImageMagick): the shaped
# 500 x 384 window at (0, 0) with its title and texts, the progress strip advancing after a click on
# OK, each result dialog centred over the window, and the exit code 0 after a click on its OK.
#
#   gui_demo_test.sh DEMO REFDIR                 compare with the references in REFDIR
#   gui_demo_test.sh DEMO REFDIR --update-refs   write the references instead
#   gui_demo_test.sh DEMO REFDIR --screenshots DIR   also keep full-size screenshots in DIR
set -u

DEMO=$1
REFDIR=$2
MODE=${3:-compare}
SHOTS=${4:-}
if [ -n "$SHOTS" ]; then
    mkdir -p "$SHOTS" || { echo "gui_demo_test: cannot make $SHOTS" >&2; exit 1; }
fi
WORK=$(mktemp -d)
trap 'kill $PID 2>/dev/null; rm -rf "$WORK"' EXIT
PID=0
FAILURES=0

# shellcheck source=../support/xwindows.sh
. "$(dirname "$0")/../support/xwindows.sh"

# Screen part WxH+X+Y into a PNG file.
grab() { import -window root -crop "$1" +repage "$2"; }

# Pixels differing by more than 10% between two pictures of the same size.
differing() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 | sed 's/ .*//'; }

# Checks the screen part $2 (scaled by $3 percent) against the reference $1.png, allowing $4 per
# cent of its pixels to differ.
check_region() {
    local name=$1 geometry=$2 scale=$3 allowed=$4
    grab "$geometry" "$WORK/$name-full.png"
    convert "$WORK/$name-full.png" -resize "$scale%" "$WORK/$name.png"
    if [ "$MODE" = "--update-refs" ]; then
        cp "$WORK/$name.png" "$REFDIR/$name.png"
        return
    fi
    local diff total
    diff=$(differing "$WORK/$name.png" "$REFDIR/$name.png")
    total=$(identify -format '%[fx:w*h]' "$REFDIR/$name.png")
    echo "$name: $diff of $total pixels differ"
    if ! [ "$diff" -le $(( total * allowed / 100 )) ] 2>/dev/null; then
        fail "$name: $diff of $total pixels differ from the reference"
        cp "$WORK/$name.png" "${TMPDIR:-/tmp}/kestrel-gui-$name.png" 2>/dev/null
    fi
}

keep_shot() { [ -n "$SHOTS" ] && grab 500x384+0+0 "$SHOTS/$1.png"; }

start_demo() {
    mkdir -p "$WORK/run-$1"
    XDG_RUNTIME_DIR="$WORK/run-$1" KESTREL_HID=sim KESTREL_SIM="$2" "$DEMO" &
    PID=$!
    STARTED=$(date +%s.%N)
}

# Clicks at screen point X Y.
click() { xdotool mousemove "$1" "$2" click 1; }

# Waits for the demo to end; checks its exit code.
expect_exit_0() {
    local tries=200
    while kill -0 "$PID" 2>/dev/null && [ $tries -gt 0 ]; do sleep 0.05; tries=$((tries - 1)); done
    if kill -0 "$PID" 2>/dev/null; then
        fail "$1: the demo is still running after its dialog was closed"
        kill "$PID"
        return
    fi
    wait "$PID"
    local code=$?
    [ $code -eq 0 ] || fail "$1: exit code $code"
}

# The filled columns of the progress strip: its pixels that differ from the empty strip, per row.
strip_filled() {
    grab 500x16+0+368 "$WORK/strip.png"
    echo $(( $(differing "$WORK/strip.png" "$STRIP_EMPTY") / 16 ))
}

# The dialog of a result kind: centred over the main window, looking like its reference; closed
# by its OK button. With $2 = stays, the main window stays open after it (an update that was not
# performed) and is closed by its close button.
check_dialog() {
    local name=$1 found id x y
    if ! found=$(wait_window 436x269 30); then
        fail "$name: no result dialog"
        return
    fi
    read -r id x y <<<"$found"
    [ "$x,$y" = "32,57" ] || fail "$name: dialog at $x,$y, not centred over the window at 32,57"
    sleep 0.3
    check_region "dialog-$name" 436x269+32+57 25 1
    # The run has ended: the strip box shows the background again.
    grab 500x16+0+368 "$WORK/strip.png"
    local left
    left=$(differing "$WORK/strip.png" "$STRIP_BACKGROUND")
    [ "$left" -le 80 ] || fail "$name: the progress strip still shows behind the dialog ($left pixels)"
    keep_shot "$name"
    click $((32 + 222)) $((57 + 235))
    if [ "${2:-}" = stays ]; then
        sleep 0.5
        window_of_size 436x269 >/dev/null && fail "$name: the dialog is still open after its OK"
        window_of_size 500x384 >/dev/null || fail "$name: the main window closed with the dialog"
        click 485 18   # the main window's close button
    fi
    expect_exit_0 "$name"
}

RES=$(dirname "$0")/../../res
STRIP_EMPTY=$WORK/strip-empty.png
STRIP_BACKGROUND=$WORK/strip-background.png
convert "$RES/strip_empty.jpg" "$STRIP_EMPTY"
convert "$RES/main.jpg" -crop 500x16+0+368 +repage "$STRIP_BACKGROUND"

# --- The whole update: start, progress, success.
start_demo success "time-scale=5"
if ! found=$(wait_window 500x384 10); then
    fail "no 500 x 384 main window"
    exit 1
fi
read -r id x y <<<"$found"
[ "$x,$y" = "0,0" ] || fail "main window at $x,$y, not at 0,0"
sleep "$(echo "1 - ($(date +%s.%N) - $STARTED)" | bc | sed 's/^-.*/0/')"
check_region title 266x37+117+35 100 2
check_region texts 180x68+268+97 100 2
check_region corner 12x12+0+0 100 0   # the rounded corner shows the screen behind it
keep_shot main

click 257 346   # OK
previous=-1
advanced=0
for _ in $(seq 1 60); do
    sleep 0.1
    window_of_size 436x269 >/dev/null && break
    filled=$(strip_filled)
    [ "$filled" -gt "$previous" ] && [ "$previous" -ge 0 ] && advanced=$((advanced + 1))
    [ "$filled" -gt 100 ] && [ "$filled" -lt 400 ] && [ -n "$SHOTS" ] && [ ! -f "$SHOTS/progress.png" ] &&
        keep_shot progress
    previous=$filled
done
[ $advanced -ge 2 ] || fail "the progress strip did not advance (advanced $advanced times, last $previous columns)"
check_dialog success

# --- The other two result kinds.
start_demo failure "time-scale=50;fault=checksum-always"
wait_window 500x384 10 >/dev/null || fail "failure: no main window"
sleep 0.5
click 257 346
check_dialog failure

start_demo latest "time-scale=5;version=9.0.0"
wait_window 500x384 10 >/dev/null || fail "latest: no main window"
sleep 0.5
click 257 346
check_dialog latest stays

[ $FAILURES -eq 0 ] && echo "gui_demo_test: all checks passed"
exit $((FAILURES > 0))
