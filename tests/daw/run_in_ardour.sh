#!/bin/sh
# Runs the stereo plug-in of one format (LV2 or VST3) in Ardour, headless, at
# each host block size, and checks the exported files and the meters Ardour read.
#
#   run_in_ardour.sh FORMAT WORK_DIR BIN_DIR CHECK LUA_SCRIPT ARDOUR_LUA VST3_SCANNER
set -eu
format=$1 work=$2 bin=$3 check=$4 script=$5 ardour_lua=$6 vst3_scanner=$7

# A home of its own, so nothing of the user's is read or written, with the
# bundle where a user installs it for Ardour: ~/.lv2 or ~/.vst3.
rm -rf "$work"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export LV2_PATH="$HOME/.lv2" DISPLAY=
unset VST3_PATH
mkdir -p "$HOME/.lv2" "$HOME/.vst3"
if [ "$format" = VST3 ]; then
    ln -s "$bin/Corvex.vst3" "$HOME/.vst3/"
    # Ardour lists a VST3 plug-in only once its scanner has indexed the bundle.
    LD_LIBRARY_PATH=$(dirname "$vst3_scanner") "$vst3_scanner" -q "$HOME/.vst3/Corvex.vst3"
else
    ln -s "$bin/Corvex.lv2" "$HOME/.lv2/"
fi

# "frames meterFrom meterTo upAt downAt" for the session script, then the host
# block sizes to export at.
numbers=$("$check" --write-signal "$work/signal.wav")
set -- $numbers
session_args="$1 $2 $3 $4 $5"
shift 5

# One Ardour run per block size, each from a new session (several exports in
# one run, the block size changed between them, crash far more often). Ardour
# 7.3's export now and then corrupts its heap and dies before the script has
# reported, so each run gets three attempts (a fault of the plug-in fails all
# three) and Ardour's exit status is no verdict: the script's complete report is.
for block in "$@"; do
    for attempt in 1 2 3; do
        rm -rf "$work/session" "$work/export-$block.wav" "$work/results-$block.txt"
        timeout 30 "$ardour_lua" "$script" "$format" "$work" "$work/signal.wav" $session_args "$block" \
            > "$work/ardour-$block.log" 2>&1 || true
        if grep -qx 'done 1' "$work/results-$block.txt" 2> /dev/null; then
            continue 2
        fi
        echo "Ardour stopped early (block $block, attempt $attempt):" >&2
        tail -n 5 "$work/ardour-$block.log" >&2
    done
    exit 1
done
exec "$check" "$work"
