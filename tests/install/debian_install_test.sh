#!/usr/bin/env bash
# The Debian packages in a throwaway root: a copy-on-write overlay of this
# system's root, in a mount namespace of its own, discarded at the end (a
# debootstrap chroot would download and unpack a whole system for each run).
# apt installs the packages and what they depend on; then LV2 hosts list both
# plug-ins, our CLAP and VST3 hosts load them from /usr/lib, the tool runs its
# demo, a consumer project builds against the engine with find_package and with
# pkg-config, and dpkg -r removes every file the packages brought.
#   tests/install/debian_install_test.sh DIST_DIR BUILD_DIR
set -euo pipefail
dist=$(realpath "$1")
build=$(realpath "$2")
tests=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{upper,scratch,root}

unshare --mount --fork bash -euo pipefail -s -- "$work" "$dist" "$build" "$tests" <<'OUTSIDE'
work=$1 dist=$2 build=$3 tests=$4
root=$work/root
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/scratch" "$root"
for fs in proc sys dev; do mount --rbind "/$fs" "$root/$fs"; done
mkdir -p "$root/tmp/debs"
cp "$dist"/*.deb "$root/tmp/debs/"
chroot "$root" env HOME=/nonexistent DISPLAY= bash -euo pipefail -s -- "$build" "$tests" <<'INSIDE'
build=$1 tests=$2
fail() { echo "debian install test: $*" >&2; exit 1; }
packages="corvex-plugins libcorvex-engine1 libcorvex-engine-dev corvex-tool"
for package in $packages; do
    ! dpkg -s "$package" > /dev/null 2>&1 || fail "$package is installed before the test"
done
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends /tmp/debs/*.deb > /tmp/apt.log 2>&1 \
    || { cat /tmp/apt.log; fail "apt-get install failed"; }
dpkg -L $packages | sort -u > /tmp/installed-paths

for uri in urn:corvex:lv2:stereo urn:corvex:lv2:mono; do
    lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri"
done
"$build/tests/plugin_hosts/corvex_installed_plugin_probe" clap | grep -qx "loaded /usr/lib/clap/Corvex.clap" \
    || fail "the CLAP host did not load /usr/lib/clap/Corvex.clap"
"$build/tests/plugin_hosts/corvex_installed_plugin_probe" vst3 \
    | grep -qx "loaded /usr/lib/vst3/Corvex.vst3/Contents/x86_64-linux/Corvex.so" \
    || fail "the VST3 host did not load the bundle in /usr/lib/vst3"
demo=$(mktemp -d)
corvex demo "$demo" > /dev/null && [ -s "$demo/wet.wav" ] || fail "corvex demo wrote no wet.wav"

consumer=$(mktemp -d)
cmake -S "$tests/consumer" -B "$consumer" -G Ninja > /dev/null && cmake --build "$consumer" > /dev/null \
    && "$consumer/consumer" || fail "the consumer project did not build or run through find_package"
c++ -std=c++11 "$tests/consumer/consumer.cpp" -o "$consumer/consumer-pc" $(pkg-config --cflags --libs corvex-engine) \
    && "$consumer/consumer-pc" || fail "the consumer did not build or run through pkg-config"

dpkg -r $packages > /dev/null
while read -r path; do
    [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after dpkg -r"
done < /tmp/installed-paths
for bundle in /usr/lib/vst3/Corvex.vst3 /usr/lib/lv2/Corvex.lv2; do
    [ ! -e "$bundle" ] || fail "$bundle is left after dpkg -r"
done
echo "debian install test: installed, loaded, built against and removed $packages"
INSIDE
OUTSIDE
