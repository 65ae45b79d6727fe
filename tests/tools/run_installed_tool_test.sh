#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the installed corvex and
# corvex-plot from there, away from the build tree.
set -euo pipefail
build_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$work/prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
corvex=$work/prefix/bin/corvex
test "$("$corvex" params | wc -l)" -eq 21
"$corvex" curve --set Ratio=All "$work/curve.csv"
"$work/prefix/bin/corvex-plot" "$work/curve.csv"
test -s "$work/curve.png"
echo "installed corvex and corvex-plot work"
