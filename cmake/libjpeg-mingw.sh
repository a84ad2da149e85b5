#!/usr/bin/env bash
# Builds libjpeg-turbo for the Windows build from Debian's own source package and
# installs it into <build root>/third_party/libjpeg-mingw. Runs once: a finished
# install (its stamp file) is reused until the build tree is removed.
#
#   cmake/libjpeg-mingw.sh [BUILD_ROOT]     (default: <repo>/build)
#
# Prints the install prefix on its last line.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-$repo/build}
mkdir -p "$root"
root=$(cd "$root" && pwd)
cache=$root/third_party
prefix=$cache/libjpeg-mingw
stamp=$prefix/.built

if [ -f "$stamp" ] && [ -f "$prefix/lib/libjpeg.a" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$cache/src"
src=$(find "$cache/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
if [ -z "$src" ]; then
    echo "libjpeg-mingw: fetching Debian's libjpeg-turbo source" >&2
    (cd "$cache/src" && apt-get source --download-only libjpeg-turbo >&2 &&
        dpkg-source --no-check -x ./libjpeg-turbo_*.dsc >&2)
    src=$(find "$cache/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
fi
[ -n "$src" ] || { echo "libjpeg-mingw: no source found in $cache/src" >&2; exit 1; }

# SIMD needs nasm that can write 64-bit COFF objects.
simd=OFF
probe=$cache/nasm-probe
if command -v nasm >/dev/null && printf 'bits 64\nnop\n' >"$probe.asm" && nasm -f win64 -o "$probe.obj" "$probe.asm" 2>/dev/null; then
    simd=ON
fi
rm -f "$probe.asm" "$probe.obj"

build=$cache/libjpeg-mingw-build
rm -rf "$build"
echo "libjpeg-mingw: building $(basename "$src") (SIMD $simd)" >&2
cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=$simd \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >&2
cmake --build "$build" -j2 --target jpeg-static >&2
# Only the static library and its headers are wanted (the full install step
# would also build the command-line programs).
rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"
cp "$build/libjpeg.a" "$prefix/lib/"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$build/jconfig.h" "$prefix/include/"
touch "$stamp"
rm -rf "$build"
echo "$prefix"
