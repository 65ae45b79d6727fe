#!/usr/bin/env bash
# The Windows installer under Wine, silent, once per scope in a fresh prefix:
# the files land in the folders of that scope, our CLAP and VST3 hosts find and
# load the plug-ins there by the standard search paths, a file that a running
# host holds is not replaced (exit code 3, no other part installed either), and
# the uninstaller leaves none of the installed files, no registry key, and the
# other plug-ins in the shared folders untouched.
#   tests/install/wine_install_test.sh SETUP_EXE PROBE_EXE
set -euo pipefail
setup=$(realpath "$1")
probe=$(realpath "$2")
repo=$(cd "$(dirname "$0")/../.." && pwd)

# check_scope SCOPE COMPONENTS HIVE: SCOPE is ALLUSERS or CURRENTUSER.
check_scope() (
    scope=$1 components=$2 hive=$3
    fail() { echo "wine install test ($scope): $*" >&2; exit 1; }
    source "$repo/scripts/lib/wine-prefix.sh"
    windows() { wine cmd /c echo "$1" | tr -d '\r'; }
    if [ "$scope" = ALLUSERS ]; then
        win_vst3=$(windows '%COMMONPROGRAMFILES%\VST3') win_clap=$(windows '%COMMONPROGRAMFILES%\CLAP')
        win_lv2=$(windows '%COMMONPROGRAMFILES%\LV2') win_home=$(windows '%PROGRAMFILES%\Corvex')
    else
        win_vst3=$(windows '%LOCALAPPDATA%\Programs\Common\VST3') win_clap=$(windows '%LOCALAPPDATA%\Programs\Common\CLAP')
        win_lv2=$(windows '%APPDATA%\LV2') win_home=$(windows '%LOCALAPPDATA%\Programs\Corvex')
    fi
    vst3=$(winepath -u "$win_vst3") clap=$(winepath -u "$win_clap") lv2=$(winepath -u "$win_lv2") home=$(winepath -u "$win_home")
    # Another maker's plug-in in the shared VST3 folder, which must survive.
    mkdir -p "$vst3/Other.vst3"
    touch "$vst3/Other.vst3/other.txt"
    key="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvex"
    snapshot() { { find "$vst3" "$clap" "$lv2" "$home" 2> /dev/null || true; } | sort; }
    before=$(snapshot)

    wine "$setup" /S "/$scope" "/COMPONENTS=$components" || fail "the installer exited with $?"
    installed=$(comm -13 <(echo "$before") <(snapshot))
    for file in "$vst3/Corvex.vst3/Contents/x86_64-win/Corvex.vst3" "$vst3/CorvexMono.vst3/Contents/x86_64-win/CorvexMono.vst3" \
        "$clap/Corvex.clap" "$clap/CorvexMono.clap" "$lv2/Corvex.lv2/Corvex_dsp.dll" "$lv2/Corvex.lv2/manifest.ttl" \
        "$home/Uninstall.exe" "$home/THIRD-PARTY-NOTICES"; do
        [ -f "$file" ] || fail "not installed: $file"
    done
    if [[ $components == *dev* ]]; then
        for file in bin/corvex-engine.dll include/corvex_engine.h lib/corvex-engine.lib; do
            [ -f "$home/$file" ] || fail "not installed: $home/$file"
        done
    fi
    wine reg query "$key" /v UninstallString > /dev/null 2>&1 || fail "no uninstall entry under $key"

    wine "$probe" clap | tr -d '\r' | grep -qxF "loaded $win_clap\Corvex.clap" \
        || fail "our CLAP host did not find and load $win_clap\Corvex.clap"
    wine "$probe" vst3 | tr -d '\r' | grep -qxF "loaded $win_vst3\Corvex.vst3\Contents\x86_64-win\Corvex.vst3" \
        || fail "our VST3 host did not find and load the bundle in $win_vst3"

    # A host holds the CLAP plug-in: the installer must refuse before writing anything.
    if [ "$scope" = ALLUSERS ]; then
        mkfifo "$work/hold"
        wine "$probe" clap --hold < "$work/hold" > "$work/held.log" &
        holder=$!
        exec 3> "$work/hold"
        for _ in $(seq 60); do grep -q loaded "$work/held.log" && break; sleep 1; done
        grep -q loaded "$work/held.log" || fail "the holding host did not load the plug-in"
        status=0
        wine "$setup" /S "/$scope" /COMPONENTS=clap,dev || status=$?
        exec 3>&-
        wait $holder
        [ $status -eq 3 ] || fail "installing over a held plug-in exited with $status, not 3"
        [ ! -e "$home/include/corvex_engine.h" ] || fail "a part was installed although the install was refused"
    else
        wine "$setup" /S "/$scope" "/COMPONENTS=$components" || fail "installing again over the same files exited with $?"
    fi

    wine "$home/Uninstall.exe" /S
    timeout 60 wineserver -w # the uninstaller runs from a copy of itself and returns at once
    left=$(comm -12 <(echo "$installed") <(snapshot))
    [ -z "$left" ] || fail "left after uninstalling: $left"
    ! wine reg query "$key" > /dev/null 2>&1 || fail "the uninstall entry $key is left"
    [ -f "$vst3/Other.vst3/other.txt" ] || fail "the uninstaller removed another plug-in"
    echo "wine install test ($scope): installed $components, loaded, installed again or refused, uninstalled"
)

check_scope ALLUSERS vst3,clap,lv2 HKLM
check_scope CURRENTUSER vst3,clap,lv2,dev HKCU
