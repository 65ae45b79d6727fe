#!/usr/bin/env bash
# The Windows error dialog under Wine on a virtual display: the probe provokes
# one report and checks the dialog from inside its process; here the window is
# found by its title, photographed and dismissed with Escape, and the call
# must then return. Wine must be set up by the caller (WINEPREFIX and so on),
# with no wineserver of a headless session still running.
# Usage: run_wine_dialog_test.sh PROBE DLL_DIRECTORY SCREENSHOT
set -euo pipefail
probe=$(realpath "$1")
screenshot=$(realpath "$3")
wine_run="$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run"
source "$(dirname "$0")/../support/virtual_display.sh"
output=$(mktemp)
trap 'stop_virtual_display; rm -f "$output"' EXIT
fail() {
    echo "FAILED: $*" >&2
    tr -d '\r' < "$output" >&2
    exit 1
}

start_virtual_display
# The DLL sits in the probe's working directory, as a plug-in beside its host.
(cd "$2" && CORVEX_WINE_TIMEOUT=60 "$wine_run" "$probe" --display > "$output" 2>&1) &
probe_pid=$!
timeout 30 xdotool search --sync --name '^Serious error$' > /dev/null || fail "no window titled 'Serious error'"
wait_for_line "$output" "dialog checked" 30 || fail "the probe did not inspect the dialog"
import -window root "$screenshot"
xdotool key Escape
wait "$probe_pid" || fail "the probe ended with status $?"
tr -d '\r' < "$output" | grep -q '^returned after' || fail "the call did not return"
tr -d '\r' < "$output"
echo "dialog screenshot: $screenshot"
