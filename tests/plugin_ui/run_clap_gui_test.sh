#!/usr/bin/env bash
# The plug-in's interface in a real host on a virtual display: the CLAP probe
# opens it; here the Input Gain knob is dragged up by a quarter of its travel
# (from -24 dB to -12 dB) and then double-clicked back to its default, the host
# must have seen both as gestures with the values, and the window is
# photographed. With "wine" the probe is a Windows program run under Wine
# (set up by the caller, with no headless wineserver still running).
# Usage: run_clap_gui_test.sh PROBE PLUGIN.clap SCREENSHOT [wine]
set -euo pipefail
probe=$(realpath "$1")
plugin=$(realpath "$2")
screenshot=$(realpath -m "$3")
source "$(dirname "$0")/../support/virtual_display.sh"
output=$(mktemp)
trap 'stop_virtual_display; rm -f "$output"' EXIT
fail() {
    echo "FAILED: $*" >&2
    import -window root "$screenshot" 2>/dev/null && echo "screen at the failure: $screenshot" >&2
    tr -d '\r' < "$output" >&2
    exit 1
}
launcher=()
if [ "${4:-}" = wine ]; then
    launcher=(timeout 120 wine)
    # A headless wineserver still running would keep the window from showing.
    timeout 60 wineserver -w || true
fi
mkdir -p "$(dirname "$screenshot")"

start_virtual_display
"${launcher[@]}" "$probe" "$plugin" 15 > "$output" 2>&1 &
probe_pid=$!
wait_for_line "$output" ready 60 || fail "the plug-in did not start"
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvex' | head -n 1) || fail "no window named Corvex"
sleep 2

# The knob's centre on the panel (960 x 560 units) in the window's pixels.
width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
scale() { echo $(( $1 * width / 960 )); }
knob_x=$(scale 52) knob_y=$(scale 401)
xdotool mousemove --window "$window" "$knob_x" "$knob_y" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove --window "$window" "$knob_x" $((knob_y - $(scale $((5 * step)))))
    sleep 0.05
done
xdotool mouseup 1
wait_for_line "$output" "gesture-end 1" 10 || fail "no end of the drag's gesture"
sleep 0.6
xdotool mousemove --window "$window" "$knob_x" "$knob_y" click --repeat 2 --delay 80 1
sleep 1
import -window root "$screenshot"
wait "$probe_pid" || fail "the probe ended with status $?"

# The controls' events in order: a drag to -12 dB, then a reset to -24 dB, each within its gesture.
events=$(tr -d '\r' < "$output" | grep -E '^(gesture-|value )' | uniq)
drag=$(echo "$events" | sed -n '1,/^gesture-end 1$/p')
reset=$(echo "$events" | sed '1,/^gesture-end 1$/d')
[ "$(echo "$drag" | head -n 1)" = "gesture-begin 1" ] || fail "the drag did not begin a gesture"
[ "$(echo "$drag" | tail -n 2 | head -n 1)" = "value 1 -12.0000" ] || fail "the drag did not end at -12 dB"
[ "$(echo "$reset")" = $'gesture-begin 1\nvalue 1 -24.0000\ngesture-end 1' ] || fail "the double click did not reset to -24 dB"
echo "interface screenshot: $screenshot"
