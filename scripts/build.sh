#!/usr/bin/env bash
# Builds the three builds of the project:
#   build/linux  native: the portable rules, their tests and the tools  -> dist/linux
#   build/win64  MinGW x86_64: the Windows programs and their tests     -> dist/x64
#   build/win32  MinGW i686: the shipped setup.exe, warnings as errors  -> dist
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

configure() {  # build-dir dist-dir extra-args...
    local dir=$1 dist=$2
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVA_DIST_DIR="$dist" "$@" >/dev/null
}

configure build/linux "$root/dist/linux"
configure build/win64 "$root/dist/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
configure build/win32 "$root/dist" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DTOLVA_TESTS=OFF -DTOLVA_WERROR=ON

for dir in build/linux build/win64 build/win32; do
    echo "== building $dir"
    cmake --build "$dir" -j "$jobs"
done
