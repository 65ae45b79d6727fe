#!/bin/sh
# Runs the stereo plug-in of one format (LV2 or VST3) in Ardour, headless, and
# checks the exported file and the meters Ardour read.
#
#   run_in_ardour.sh FORMAT WORK_DIR BIN_DIR CHECK LUA_SCRIPT ARDOUR_LUA VST3_SCANNER
set -eu
format=$1 work=$2 bin=$3 check=$4 script=$5 ardour_lua=$6 vst3_scanner=$7

# A home of its own, so nothing of the user's is read or written, with the
# bundles where a user installs them for Ardour: ~/.lv2 and ~/.vst3.
rm -rf "$work"
mkdir -p "$work/home/.lv2" "$work/home/.vst3"
ln -s "$bin/Corvex.lv2" "$work/home/.lv2/"
ln -s "$bin/Corvex.vst3" "$work/home/.vst3/"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export LV2_PATH="$HOME/.lv2" DISPLAY=
unset VST3_PATH

# "frames meterFrom meterTo" for the session script.
set -- $("$check" --write-signal "$work/signal.wav")

# Ardour lists a VST3 plug-in only once its scanner has indexed the bundle.
if [ "$format" = VST3 ]; then
    LD_LIBRARY_PATH=$(dirname "$vst3_scanner") "$vst3_scanner" -q "$HOME/.vst3/Corvex.vst3"
fi

# Ardour's exit status is no verdict (see the script's end): its results file is.
timeout 60 "$ardour_lua" "$script" "$format" "$work" "$work/signal.wav" "$@" > "$work/ardour.log" 2>&1 || true
if ! grep -qx 'done 1' "$work/results.txt" 2> /dev/null; then
    cat "$work/ardour.log"
    exit 1
fi
exec "$check" "$work"
