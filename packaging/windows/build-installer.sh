#!/usr/bin/env bash
# Stages the Windows build and makes the installer and the zip from it.
#   packaging/windows/build-installer.sh WINDOWS_BUILD_DIR VERSION STAGE_DIR OUT_DIR
# The stage holds one folder per installer component (VST3, CLAP, LV2,
# Developer) with the stripped binaries; installed_files.nsh lists them file by
# file for corvex.nsi, so that the uninstaller removes exactly what was installed.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
stage=$3
out=$(cd "$4" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

rm -rf "$stage"
mkdir -p "$stage"/{VST3,CLAP,LV2} "$stage"/Developer/{bin,include,lib}
stage=$(cd "$stage" && pwd)
for name in Corvex CorvexMono; do
    cp -r "$build/bin/$name.vst3" "$stage/VST3/"
    cp "$build/bin/$name.clap" "$stage/CLAP/"
    cp -r "$build/bin/$name.lv2" "$stage/LV2/"
done
cp "$build/engine/corvex-engine.dll" "$stage/Developer/bin/"
cp "$repo/engine/corvex_engine.h" "$stage/Developer/include/"
cp "$build/engine/libcorvex-engine.dll.a" "$stage/Developer/lib/"
# An import library for MSVC's linker too: the DLL exports one function.
printf 'LIBRARY corvex-engine.dll\nEXPORTS\n    createCorvexEngine\n' > "$stage/corvex-engine.def"
llvm-dlltool -m i386:x86-64 -d "$stage/corvex-engine.def" -l "$stage/Developer/lib/corvex-engine.lib"
rm "$stage/corvex-engine.def"
find "$stage" \( -name '*.dll' -o -name '*.clap' -o -name '*.vst3' -type f \) \
    -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp "$repo/LICENSE" "$repo/THIRD-PARTY-NOTICES" "$stage/"

# installed_files.nsh: Check<Part>, Install<Part> and Uninstall<Part> macros.
# Destination folders are NSIS variables; the Developer files go to $INSTDIR.
windows_path() { printf '%s' "$1" | tr '/' '\\'; }
{
    for part in Vst3:VST3:'$Vst3Dir' Clap:CLAP:'$ClapDir' Lv2:LV2:'$Lv2Dir' Dev:Developer:'$INSTDIR'; do
        IFS=: read -r macro folder destination <<< "$part"
        files=$(cd "$stage/$folder" && find . -type f | sed 's#^\./##' | sort)
        echo "!macro Check$macro"
        for file in $files; do echo "    !insertmacro CheckFree \"$destination\\$(windows_path "$file")\""; done
        echo "!macroend"
        echo "!macro Install$macro"
        (cd "$stage/$folder" && find . -type d | sort) | while read -r dir; do
            dir=${dir#.}
            dir=${dir#/}
            echo "    SetOutPath \"$destination${dir:+\\}$(windows_path "$dir")\""
            (cd "$stage/$folder/$dir" && find . -maxdepth 1 -type f | sort) | while read -r file; do
                echo "    File \"$stage/$folder/${dir:+$dir/}${file#./}\""
            done
        done
        echo "!macroend"
        echo "!macro Uninstall$macro"
        for file in $files; do echo "    Delete \"$destination\\$(windows_path "$file")\""; done
        # Deepest folders first; RMDir removes a folder only when it is empty.
        for dir in $(cd "$stage/$folder" && find . -mindepth 1 -type d | sed 's#^\./##' | sort -r); do
            echo "    RMDir \"$destination\\$(windows_path "$dir")\""
        done
        echo "!macroend"
    done
} > "$stage/installed_files.nsh"

size_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage" -DESTIMATED_SIZE_KB="$size_kb" \
    -DOUTFILE="$out/Corvex-$version-windows-x64-setup.exe" "$here/corvex.nsi"

# The zip: one folder with the same parts, the licence and the notices.
zip_root="$(dirname "$stage")/Corvex-$version-windows-x64"
rm -rf "$zip_root"
mkdir -p "$zip_root"
cp -r "$stage"/{VST3,CLAP,LV2,Developer,LICENSE,THIRD-PARTY-NOTICES} "$zip_root/"
cp "$here/INSTALL-windows.txt" "$zip_root/INSTALL.txt"
(cd "$(dirname "$zip_root")" && cmake -E tar cf "$out/Corvex-$version-windows-x64.zip" --format=zip \
    --mtime="$(date -u -d "@$(git -C "$repo" log -1 --format=%ct)" '+%Y-%m-%d %H:%M:%S UTC')" "$(basename "$zip_root")")
