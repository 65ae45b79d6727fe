#!/usr/bin/env bash
# The plug-in's interface in a host on a virtual display: the probe opens the
# CLAP or VST3 interface in a window of its own; here the Input Gain knob is
# dragged up by a quarter of its travel (from -24 dB to -12 dB) and then
# double-clicked back to its default, the host must have seen both as gestures
# with the values, and the screen is photographed. Natively, a user's preset is
# then loaded through the file dialog (its values reach the host) and saved
# (a file in the preset folder). With "wine" the probe is a Windows program run under Wine
# (set up by the caller, with no headless wineserver still running).
# Usage: run_plugin_gui_test.sh PROBE clap|vst3 PLUGIN SCREENSHOT [wine]
set -euo pipefail
probe=$(realpath "$1")
format=$2
plugin=$(realpath "$3")
screenshot=$(realpath -m "$4")
source "$(dirname "$0")/../support/virtual_display.sh"
output=$(mktemp)
presets=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$output" "$presets"' EXIT
export XDG_DATA_HOME=$presets
mkdir -p "$presets/Corvex/Presets"
printf '# a preset of the user\nRatio = 20\nDry / Wet = 50 %%\n' > "$presets/Corvex/Presets/Crush.cvxpreset"
fail() {
    echo "FAILED: $*" >&2
    import -window root "$screenshot" 2>/dev/null && echo "screen at the failure: $screenshot" >&2
    tr -d '\r' < "$output" >&2
    exit 1
}
launcher=()
if [ "${5:-}" = wine ]; then
    launcher=(timeout 120 wine)
    # A headless wineserver still running would keep the window from showing.
    timeout 60 wineserver -w || true
fi
mkdir -p "$(dirname "$screenshot")"

start_virtual_display
"${launcher[@]}" "$probe" "$format" "$plugin" 15 > "$output" 2>&1 &
probe_pid=$!
wait_for_line "$output" ready 60 || fail "the plug-in did not start"
timeout 30 xdotool search --sync --onlyvisible --name '^Corvex' > /dev/null || fail "no window named Corvex"
sleep 2

# The knob's centre on the panel (960 x 560 units) on the screen, from the
# view's corner and size the probe printed last.
read -r _ view_x view_y width height < <(tr -d '\r' < "$output" | grep '^view ' | tail -n 1)
scale() { echo $(( $1 * width / 960 )); }
knob_x=$((view_x + $(scale 52))) knob_y=$((view_y + $(scale 401)))
xdotool mousemove "$knob_x" "$knob_y" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove "$knob_x" $((knob_y - $(scale $((5 * step)))))
    sleep 0.05
done
xdotool mouseup 1
wait_for_line "$output" "gesture-end 1" 10 || fail "no end of the drag's gesture"
sleep 0.6
xdotool mousemove "$knob_x" "$knob_y" click --repeat 2 --delay 80 1
sleep 1
if [ -z "${5:-}" ]; then
    # LOAD, then the dialog's only file twice; SAVE (no dialog on X11) writes the next free name.
    xdotool mousemove $((view_x + $(scale 634))) $((view_y + $(scale 22))) click 1
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Load Corvex preset$' | head -n 1) ||
        fail "LOAD opened no file dialog"
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool mousemove $((X + 140)) $((Y + 59)) click --repeat 2 --delay 100 1
    wait_for_line "$output" "value 5 3.0000" 10 || fail "the preset's Ratio 20 did not reach the host"
    wait_for_line "$output" "value 6 50.0000" 5 || fail "the preset's Dry / Wet did not reach the host"
    xdotool mousemove $((view_x + $(scale 692))) $((view_y + $(scale 22))) click 1
    sleep 1
    grep -qx 'Ratio = 20' "$presets/Corvex/Presets/Crush 1.cvxpreset" || fail "SAVE wrote no preset"
fi
if [ -n "${5:-}" ]; then
    # Wine draws OpenGL in a child window off the screen, in an X window of the
    # view's size parked in a 1x1 parent, and on a virtual display never copies
    # it into the host's window: that X window is photographed.
    view=$(xwininfo -root -tree | awk -v size=" ${width}x${height}+0+0 " 'index($0, "(has no name): ()") && index($0, size) {print $1; exit}') || true
    import -window "${view:-root}" "$screenshot"
else
    import -window root "$screenshot"
fi
wait "$probe_pid" || fail "the probe ended with status $?"

# The controls' events in order: a drag to -12 dB, then a reset to -24 dB, each within its gesture.
events=$(tr -d '\r' < "$output" | grep -E '^(gesture-|value )' | uniq)
drag=$(echo "$events" | sed -n '1,/^gesture-end 1$/p')
reset=$(echo "$events" | sed '1,/^gesture-end 1$/d' | head -n 3)
[ "$(echo "$drag" | head -n 1)" = "gesture-begin 1" ] || fail "the drag did not begin a gesture"
[ "$(echo "$drag" | tail -n 2 | head -n 1)" = "value 1 -12.0000" ] || fail "the drag did not end at -12 dB"
[ "$(echo "$reset")" = $'gesture-begin 1\nvalue 1 -24.0000\ngesture-end 1' ] || fail "the double click did not reset to -24 dB"
echo "interface screenshot: $screenshot"
