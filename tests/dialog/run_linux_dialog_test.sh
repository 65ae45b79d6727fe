#!/usr/bin/env bash
# The Linux message window: no link-time X11 dependency; headless, the report
# goes to stderr; on a virtual display the window is found by its title, its
# text is copied out and checked, a screenshot is taken, and Escape, the OK
# button, the window's destruction, a killed connection and a lost display
# each end the call (the last three with the message on stderr).
# Usage: run_linux_dialog_test.sh PROBE LIBRARY OUTPUT_DIR
set -euo pipefail
probe=$1
source "$(dirname "$0")/../support/virtual_display.sh"
expected="Serious error: Assertion 'inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters' failed.
Invalid parameter ID: 25"
work=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    tail -n +1 "$work"/* >&2 || true
    exit 1
}
# Runs the probe in the background until its call returns; output in $work/PHASE.out and .err.
start_probe() {
    timeout 60 "$probe" > "$work/$1.out" 2> "$work/$1.err" &
    probe_pid=$!
    [ "$1" = headless ] || window=$(timeout 20 xdotool search --sync --name '^Serious error$' | head -n 1) ||
        fail "$1: no window titled 'Serious error'"
}
expect_returned() {
    wait "$probe_pid" || fail "$1: the probe ended with status $?"
    grep -qx returned "$work/$1.out" || fail "$1: the call did not return"
    [ "$(cat "$work/$1.err")" = "${2-$expected}" ] || fail "$1: stderr differs"
}

! objdump -p "$2" | grep NEEDED | grep -q libX11 || fail "the library links against libX11"
unset DISPLAY WAYLAND_DISPLAY
start_probe headless
expect_returned headless
start_virtual_display

start_probe escape
xdotool key --clearmodifiers ctrl+c
copied=$(timeout 10 xclip -o -selection clipboard) || fail "escape: nothing on the clipboard"
[ "Serious error: $copied" = "$expected" ] || fail "escape: the window's text differs: $copied"
import -window root "$3/dialog-linux.png"
xdotool key Escape
expect_returned escape ""

start_probe button
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 8 - 47)) $((HEIGHT - 8 - 12)) click 1
expect_returned button ""

for phase in destroyed killed lost; do
    start_probe $phase
    case $phase in
        destroyed) xdotool windowclose "$window" ;;
        killed) xdotool windowkill "$window" ;;
        lost) stop_virtual_display ;;
    esac
    expect_returned $phase
done
echo "dialog screenshot: $3/dialog-linux.png"
