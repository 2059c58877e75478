#!/usr/bin/env bash
# Builds the four builds of the project:
#   build/linux  native: the portable rules, their tests and the tools  -> dist/linux
#   build/win64  MinGW x86_64: the Windows programs and their tests     -> dist/x64
#   build/win32  MinGW i686: the shipped setup.exe, warnings as errors  -> dist
#   build/fuzz   native clang: the fuzzer of the record walk            -> dist/fuzz
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
configure build/fuzz "$root/dist/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTOLVA_FUZZ=ON -DTOLVA_TESTS=OFF

for dir in build/linux build/win64 build/win32; do
    echo "== building $dir"
    cmake --build "$dir" -j "$jobs"
done
echo "== building build/fuzz"
cmake --build build/fuzz -j "$jobs" --target record_walk_fuzzer

# The demo payloads: with the i686 stand-in servers beside the shipped
# setup.exe, with the x86_64 ones for the programs that run here.
echo "== packing the demo payloads"
scripts/make-demo-payload.sh --servers dist dist/linux/mkpayload dist/Setup.Dat >/dev/null
scripts/make-demo-payload.sh --servers dist/x64 --staging build/demo-payload-x64 dist/linux/mkpayload \
    dist/x64/Setup.Dat >/dev/null
