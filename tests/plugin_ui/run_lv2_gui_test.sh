#!/usr/bin/env bash
# The LV2 interface (<name>_ui.so) in jalv on a virtual display, with a dummy
# JACK server of its own: the host must embed the plug-in's own window (not
# its generic controls); a knob is dragged and the window photographed.
# Usage: run_lv2_gui_test.sh BUNDLE.lv2 URI SCREENSHOT
set -euo pipefail
bundle=$(realpath "$1")
screenshot=$(realpath -m "$3")
source "$(dirname "$0")/../support/virtual_display.sh"
work=$(mktemp -d)
jack_pid="" jalv_pid=""
cleanup() {
    [ -z "$jalv_pid" ] || kill "$jalv_pid" 2>/dev/null || true
    [ -z "$jack_pid" ] || kill "$jack_pid" 2>/dev/null || true
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    cat "$work/jalv.log" >&2
    exit 1
}
mkdir -p "$(dirname "$screenshot")" "$work/lv2"
ln -s "$bundle" "$work/lv2/"

start_virtual_display
export JACK_DEFAULT_SERVER="corvex-ui-$$" JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 > "$work/jackd.log" 2>&1 &
jack_pid=$!
sleep 1
LV2_PATH="$work/lv2" jalv.gtk3 "$2" > "$work/jalv.log" 2>&1 &
jalv_pid=$!
# The framework's window class names the plug-in; jalv's generic controls have none.
window=$(timeout 30 xdotool search --sync --onlyvisible --class '^Corvex-' | head -n 1) ||
    fail "jalv shows no window of the plug-in's interface"
sleep 1
xdotool mousemove --window "$window" 52 401 mousedown 1
for step in 1 2 3 4 5; do
    xdotool mousemove --window "$window" 52 $((401 - 10 * step))
    sleep 0.05
done
xdotool mouseup 1
sleep 1
import -window root "$screenshot"
kill -0 "$jalv_pid" || fail "jalv ended"
echo "interface screenshot: $screenshot"
