#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds and runs a consumer
# project against it, once through find_package and once through pkg-config.
set -euo pipefail
build_dir=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
cmake --install "$build_dir" --prefix "$work/prefix" > "$work.install.log" 2>&1 || { cat "$work.install.log"; exit 1; }
cmake -S "$here" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix"
cmake --build "$work/build"
LD_LIBRARY_PATH="$work/prefix/lib" "$work/build/consumer"
libdir=$(dirname "$(find "$work/prefix" -name corvex-engine.pc)")
PKG_CONFIG_PATH="$libdir" c++ -std=c++11 "$here/consumer.cpp" -o "$work/consumer-pc" \
    $(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs corvex-engine)
LD_LIBRARY_PATH="$libdir/.." "$work/consumer-pc"
