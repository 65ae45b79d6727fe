# Sourced: makes a throwaway 64-bit Wine prefix in a new temporary folder
# ($work/prefix), quiet and headless, whose crashes end the program instead of
# opening a dialog. Removes the folder and ends Wine on exit.
work=$(mktemp -d)
cleanup() {
    timeout 30 wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
# Quiet, except that a DLL that cannot be loaded is named.
export WINEDEBUG=-all,err+module
unset DISPLAY WAYLAND_DISPLAY

if ! timeout 120 wineboot --init > "$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log" >&2
    exit 1
fi
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f > /dev/null
