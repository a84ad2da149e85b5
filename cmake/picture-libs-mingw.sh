#!/usr/bin/env bash
# Builds zlib, libpng and giflib for the Windows build from Debian's own source
# packages and installs their static libraries and headers into
# <build root>/third_party/picture-libs-mingw. Runs once: a finished install
# (its stamp file) is reused until the build tree is removed. Only the decoding
# parts are compiled; nothing else of the packages is built.
#
#   cmake/picture-libs-mingw.sh [BUILD_ROOT]     (default: <repo>/build)
#
# Prints the install prefix on its last line.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-$repo/build}
mkdir -p "$root"
root=$(cd "$root" && pwd)
cache=$root/third_party
prefix=$cache/picture-libs-mingw
stamp=$prefix/.built
mkdir -p "$cache"

if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

# The cache may be shared by several checkouts: one build at a time.
exec 9>"$cache/.picture-libs.lock"
flock 9
if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

cc=x86_64-w64-mingw32-gcc
ar=x86_64-w64-mingw32-ar
cflags=(-O2 -DNDEBUG)

# Unpacks Debian's source package PACKAGE into $cache/src and prints its folder.
source_of() {
    local package=$1 pattern=$2 dir
    mkdir -p "$cache/src"
    dir=$(find "$cache/src" -maxdepth 1 -type d -name "$pattern" | head -n 1)
    if [ -z "$dir" ]; then
        echo "picture-libs-mingw: fetching Debian's $package source" >&2
        # The newest version first; a mirror that lacks it may still have an
        # earlier one of the same release.
        local version fetched=""
        for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -Vru); do
            if (cd "$cache/src" && apt-get source --download-only "$package=$version" >&2); then
                fetched=$version
                break
            fi
        done
        [ -n "$fetched" ] || { echo "picture-libs-mingw: cannot fetch the $package source" >&2; exit 1; }
        (cd "$cache/src" && dpkg-source --no-check -x "./${package}_${fetched#*:}.dsc" >&2)
        dir=$(find "$cache/src" -maxdepth 1 -type d -name "$pattern" | head -n 1)
    fi
    [ -n "$dir" ] || { echo "picture-libs-mingw: no $package source in $cache/src" >&2; exit 1; }
    echo "$dir"
}

# Compiles the C files named (relative to SRC) into lib/LIBRARY.
library() {
    local src=$1 name=$2
    shift 2
    local objects=() file
    mkdir -p "$work/$name"
    for file in "$@"; do
        "$cc" "${cflags[@]}" -I"$src" -I"$prefix/include" -c "$src/$file" -o "$work/$name/${file%.c}.o"
        objects+=("$work/$name/${file%.c}.o")
    done
    "$ar" rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

zlib_src=$(source_of zlib 'zlib-*')
png_src=$(source_of libpng1.6 'libpng1.6-*')
gif_src=$(source_of giflib 'giflib-*')

work=$cache/picture-libs-mingw-build
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"

echo "picture-libs-mingw: building $(basename "$zlib_src")" >&2
library "$zlib_src" z adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c infback.c \
    inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"

echo "picture-libs-mingw: building $(basename "$png_src")" >&2
cp "$png_src/scripts/pnglibconf.h.prebuilt" "$prefix/include/pnglibconf.h"
cp "$png_src/png.h" "$png_src/pngconf.h" "$prefix/include/"
library "$png_src" png png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c \
    pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c

echo "picture-libs-mingw: building $(basename "$gif_src")" >&2
cp "$gif_src/gif_lib.h" "$prefix/include/"
library "$gif_src" gif dgif_lib.c gifalloc.c gif_err.c gif_hash.c openbsd-reallocarray.c

rm -rf "$work"
touch "$stamp"
echo "$prefix"
