#!/usr/bin/env bash
# Makes the Debian packages from the build installed for /usr, and runs lintian
# over each: any error fails, the warnings are printed.
#   packaging/debian/build-debs.sh ROOT VERSION OUT_DIR
#
#   corvex-plugins          VST3, CLAP and LV2 bundles in /usr/lib/{vst3,clap,lv2}
#   libcorvex-engine1       the engine library (its soname's major version in the name)
#   libcorvex-engine-dev    header, linker name, CMake package and pkg-config file
#   corvex-tool             the corvex command and corvex-plot
# Dependencies on system libraries come from dpkg-shlibdeps.
set -euo pipefail
root=$(cd "$1" && pwd)
version=$2
out=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
arch=$(dpkg --print-architecture)
maintainer="The Corvex developers <developers@corvex.invalid>"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct)}

# dpkg-shlibdeps reads the source package's control file and, for our own
# library, a local shlibs entry.
mkdir -p "$work/src/debian"
printf 'Source: corvex\n\nPackage: corvex\nArchitecture: any\n' > "$work/src/debian/control"
echo "libcorvex-engine 1 libcorvex-engine1 (>= $version)" > "$work/src/debian/shlibs.local"

debian_copyright() {
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
    printf 'Upstream-Name: Corvex\n'
    printf 'Comment: The binaries contain third-party software; its notices are in\n'
    printf ' /usr/share/doc/%s/THIRD-PARTY-NOTICES.gz.\n\n' "$1"
    printf 'Files: *\nCopyright: 2026 The Corvex developers\nLicense: proprietary\n'
    sed -e 's/^$/./' -e 's/^/ /' "$repo/LICENSE"
}

debian_changelog() {
    printf 'corvex (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
        "$version" "$version" "$maintainer" "$(date -R -u -d "@$SOURCE_DATE_EPOCH")"
}

# make_package NAME SECTION 'DEPENDS-EXTRA' 'SHORT DESCRIPTION' 'LONG DESCRIPTION' PATH...
# PATHs are copied from ROOT; ELF files among them set the shared-library dependencies.
make_package() {
    local name=$1 section=$2 depends=$3 short=$4 long=$5
    shift 5
    local pkg="$work/$name"
    mkdir -p "$pkg/DEBIAN" "$pkg/usr/share/doc/$name"
    local path
    for path in "$@"; do
        mkdir -p "$pkg/$(dirname "$path")"
        cp -a "$root/$path" "$pkg/$path"
    done
    debian_copyright "$name" > "$pkg/usr/share/doc/$name/copyright"
    gzip -9n < "$repo/THIRD-PARTY-NOTICES" > "$pkg/usr/share/doc/$name/THIRD-PARTY-NOTICES.gz"
    debian_changelog | gzip -9n > "$pkg/usr/share/doc/$name/changelog.gz"

    local elves
    elves=$(cd "$pkg" && find usr -type f \( -name '*.so*' -o -name '*.clap' -o -path 'usr/bin/*' \) \
        -exec sh -c 'head -c 4 "$1" | grep -q ELF' _ {} \; -print)
    local shlibs=""
    if [ -n "$elves" ]; then
        shlibs=$(cd "$work/src" && dpkg-shlibdeps -O -l"$root/usr/lib" \
            $(for f in $elves; do echo "$pkg/$f"; done) 2> "$work/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p') \
            || { cat "$work/shlibdeps.log" >&2; exit 1; }
    fi
    depends=$(printf '%s' "$shlibs${shlibs:+${depends:+, }}$depends")

    {
        printf 'Package: %s\nVersion: %s\nArchitecture: %s\n' "$name" "$version" "$arch"
        printf 'Maintainer: %s\nSection: %s\nPriority: optional\n' "$maintainer" "$section"
        printf 'Installed-Size: %s\n' "$(du -sk --exclude=DEBIAN "$pkg" | cut -f1)"
        [ -z "$depends" ] || printf 'Depends: %s\n' "$depends"
        [ -z "${recommends:-}" ] || printf 'Recommends: %s\n' "$recommends"
        printf 'Description: %s\n' "$short"
        printf '%s\n' "$long" | fold -s -w 78 | sed -e 's/ *$//' -e 's/^/ /'
    } > "$pkg/DEBIAN/control"
}

build_package() {
    local pkg="$work/$1"
    (cd "$pkg" && find usr -type f -exec md5sum {} + | sort -k2) > "$pkg/DEBIAN/md5sums"
    dpkg-deb --root-owner-group -Zxz --build "$pkg" "$out/${1}_${version}_${arch}.deb" > /dev/null
}

about="Corvex is a feedback compressor and limiter with a side-chain equaliser, look-ahead and mid/side detection."

make_package corvex-plugins sound "" "Corvex compressor/limiter plug-ins (VST3, CLAP, LV2)" \
    "$about This package holds the stereo and mono plug-ins for VST3, CLAP and LV2 hosts." \
    usr/lib/vst3 usr/lib/clap usr/lib/lv2

make_package libcorvex-engine1 libs "" "Corvex compressor/limiter engine library" \
    "$about This package holds the engine as a shared library for programs that use it." \
    "usr/lib/libcorvex-engine.so.1" "usr/lib/libcorvex-engine.so.$version"
# Programs linked with the library depend on this package; ldconfig runs after it.
cp "$work/src/debian/shlibs.local" "$work/libcorvex-engine1/DEBIAN/shlibs"
echo "activate-noawait ldconfig" > "$work/libcorvex-engine1/DEBIAN/triggers"

make_package libcorvex-engine-dev libdevel "libcorvex-engine1 (= $version)" \
    "Corvex compressor/limiter engine library: development files" \
    "$about This package holds the C++ header, the CMake package (find_package(CorvexEngine)) and the pkg-config file (corvex-engine) for building programs with the engine." \
    usr/lib/libcorvex-engine.so usr/include/corvex_engine.h usr/lib/cmake/CorvexEngine usr/lib/pkgconfig/corvex-engine.pc

# Manual pages from the commands' own help.
mkdir -p "$root/usr/share/man/man1"
LD_LIBRARY_PATH="$root/usr/lib" help2man --no-info --version-string "$version" \
    --name "runs the Corvex compressor/limiter over audio files" "$root/usr/bin/corvex" \
    | gzip -9n > "$root/usr/share/man/man1/corvex.1.gz"
help2man --no-info --version-string "$version" --name "draws the pictures of a corvex run" \
    "$root/usr/bin/corvex-plot" | gzip -9n > "$root/usr/share/man/man1/corvex-plot.1.gz"

recommends="python3-matplotlib" make_package corvex-tool sound "python3" \
    "Corvex compressor/limiter for audio files" \
    "$about This package holds the corvex command, which processes audio files with the engine, lists parameters and presets and draws the static curve, and corvex-plot, which plots its meter recordings." \
    usr/bin/corvex usr/bin/corvex-plot usr/share/man/man1/corvex.1.gz usr/share/man/man1/corvex-plot.1.gz

for name in corvex-plugins libcorvex-engine1 libcorvex-engine-dev corvex-tool; do
    build_package $name
done

# lintian: errors fail, warnings are shown. The one left: the pkg-config file
# is in /usr/lib/pkgconfig rather than the multiarch folder, as the library is
# in /usr/lib: the same install tree makes the packages and the tarball.
status=0
for deb in "$out"/*_"$version"_"$arch".deb; do
    lintian --fail-on error "$deb" 2> >(grep -v "root privileges" >&2) || status=1
done
exit $status
