#!/usr/bin/env bash
# Builds libjpeg-turbo for the Windows build from Debian's own source package and
# installs its static library and headers into
# <build root>/third_party/libjpeg-mingw. Runs once: a finished install is
# reused until the build tree is removed (see cmake/third-party-mingw.sh).
#
#   cmake/libjpeg-mingw.sh [BUILD_ROOT]     (default: <repo>/build)
#
# Prints the install prefix on its last line.
set -euo pipefail
. "$(dirname "$0")/third-party-mingw.sh"

third_party_begin libjpeg-mingw "${1:-}"
src=$(third_party_source libjpeg-turbo)

# SIMD needs nasm that can write 64-bit COFF objects.
simd=OFF
probe=$cache/nasm-probe
if command -v nasm >/dev/null && printf 'bits 64\nnop\n' >"$probe.asm" && nasm -f win64 -o "$probe.obj" "$probe.asm" 2>/dev/null; then
    simd=ON
fi
rm -f "$probe.asm" "$probe.obj"

build=$cache/libjpeg-mingw-build
rm -rf "$build"
third_party_log "building $(basename "$src") (SIMD $simd)"
cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=$simd \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >&2
cmake --build "$build" -j "$jobs" --target jpeg-static >&2
# Only the static library and its headers are wanted (the full install step
# would also build the command-line programs).
rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"
cp "$build/libjpeg.a" "$prefix/lib/"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$build/jconfig.h" "$prefix/include/"
rm -rf "$build"
third_party_done
