#!/usr/bin/env bash
# The Linux message window: no link-time X11 dependency; headless, the report
# goes to stderr; on a virtual display the window is found by its title, its
# text is copied out and checked, a screenshot is taken, and Escape, the OK
# button, the window's destruction and a lost display connection each end the
# call.
# Usage: run_linux_dialog_test.sh PROBE LIBRARY OUTPUT_DIR
set -euo pipefail
probe=$1
library=$2
output_dir=$3
source "$(dirname "$0")/../support/virtual_display.sh"

expected_text="Assertion 'inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters' failed.
Invalid parameter ID: 25"
work=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$work"' EXIT

fail() {
    echo "FAILED: $*" >&2
    for file in "$work"/*; do
        [ -f "$file" ] && { echo "--- $file"; cat "$file"; }
    done
    exit 1
}

# Starts the probe in the background; its output goes to $work/<phase>.out and .err.
start_probe() {
    timeout 60 "$probe" > "$work/$1.out" 2> "$work/$1.err" &
    probe_pid=$!
}

expect_returned() {
    local phase=$1
    wait "$probe_pid" || fail "$phase: the probe ended with status $?"
    grep -qx returned "$work/$phase.out" || fail "$phase: the call did not return"
}

find_window() {
    timeout 20 xdotool search --sync --name '^Serious error$' | head -n 1
}

if objdump -p "$library" | grep NEEDED | grep -q libX11; then
    fail "the library links against libX11"
fi

# No display: title and text on stderr.
env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$probe" > "$work/headless.out" 2> "$work/headless.err" ||
    fail "headless: the probe ended with status $?"
grep -qx returned "$work/headless.out" || fail "headless: the call did not return"
[ "$(cat "$work/headless.err")" = "Serious error: $expected_text" ] || fail "headless: stderr differs"

start_virtual_display

# Escape closes the window; the text copied with Ctrl+C is the text verbatim.
start_probe escape
window=$(find_window) || fail "escape: no window titled 'Serious error'"
xdotool key --clearmodifiers ctrl+c
copied=$(timeout 10 xclip -o -selection clipboard) || fail "escape: nothing on the clipboard"
[ "$copied" = "$expected_text" ] || fail "escape: the window's text differs: $copied"
import -window root "$output_dir/dialog-linux.png"
xdotool key Escape
expect_returned escape
[ ! -s "$work/escape.err" ] || fail "escape: a dismissed window also wrote to stderr"

# The OK button closes the window.
start_probe button
window=$(find_window) || fail "button: no window"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 8 - 47)) $((HEIGHT - 8 - 12)) click 1
expect_returned button

# The window destroyed from outside, the connection closed by the server, the
# server gone: the call returns, the process lives on and the message, never
# acknowledged, is on stderr.
for phase in destroyed killed lost; do
    start_probe $phase
    window=$(find_window) || fail "$phase: no window"
    case $phase in
        destroyed) xdotool windowclose "$window" ;;
        killed) xdotool windowkill "$window" ;;
        lost) stop_virtual_display ;;
    esac
    expect_returned $phase
    [ "$(cat "$work/$phase.err")" = "Serious error: $expected_text" ] || fail "$phase: stderr differs"
done

echo "dialog screenshot: $output_dir/dialog-linux.png"
