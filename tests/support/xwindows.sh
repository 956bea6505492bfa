# Shell helpers of the GUI tests that drive a real window through xdotool; sourced, not run.
# The sourcing script sets FAILURES=0 before it uses fail.

fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

# The visible window of size WxH at its position: "ID X Y", or nothing.
window_of_size() {
    local id geometry
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
        eval "$geometry"
        if [ "$WIDTH" = "${1%x*}" ] && [ "$HEIGHT" = "${1#*x}" ]; then
            echo "$id $X $Y"
            return 0
        fi
    done
    return 1
}

# Waits up to $2 seconds for a visible window of size $1; prints "ID X Y".
wait_window() {
    local tries=$(( $2 * 20 )) found
    while [ $tries -gt 0 ]; do
        if found=$(window_of_size "$1"); then
            echo "$found"
            return 0
        fi
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}
