#!/usr/bin/env bash
# Builds zlib, libpng and giflib for the Windows build from Debian's own source
# packages and installs their static libraries and headers into
# <build root>/third_party/picture-libs-mingw. Runs once: a finished install
# is reused until the build tree is removed (see cmake/third-party-mingw.sh).
# Only the parts the programs use are compiled (of giflib, its reader and
# writer); nothing else of the packages is built.
#
#   cmake/picture-libs-mingw.sh [BUILD_ROOT]     (default: <repo>/build)
#
# Prints the install prefix on its last line.
set -euo pipefail
. "$(dirname "$0")/third-party-mingw.sh"

# An install made before giflib's writer was part of it is made again.
stale=${1:-$(dirname "$0")/../build}/third_party/picture-libs-mingw
if [ -f "$stale/.built" ]; then
    case $(x86_64-w64-mingw32-ar t "$stale/lib/libgif.a" 2>/dev/null || true) in
        *egif_lib*) ;;
        *) rm -f "$stale/.built" ;;
    esac
fi

third_party_begin picture-libs-mingw "${1:-}"
zlib_src=$(third_party_source zlib)
png_src=$(third_party_source libpng1.6)
gif_src=$(third_party_source giflib)

work=$cache/picture-libs-mingw-build
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"

# Compiles the C files named (relative to SRC), $jobs at a time, into
# lib/libNAME.a.
library() {
    local src=$1 name=$2
    shift 2
    third_party_log "building lib$name from $(basename "$src")"
    mkdir -p "$work/$name"
    printf '%s\n' "$@" | xargs -P "$jobs" -I{} \
        x86_64-w64-mingw32-gcc -O2 -DNDEBUG -I"$src" -I"$prefix/include" -c "$src/{}" -o "$work/$name/{}.o"
    (cd "$work/$name" && x86_64-w64-mingw32-ar rcs "$prefix/lib/lib$name.a" "${@/%/.o}")
}

library "$zlib_src" z adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c infback.c \
    inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"

cp "$png_src/scripts/pnglibconf.h.prebuilt" "$prefix/include/pnglibconf.h"
cp "$png_src/png.h" "$png_src/pngconf.h" "$prefix/include/"
library "$png_src" png png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c \
    pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c

cp "$gif_src/gif_lib.h" "$prefix/include/"
library "$gif_src" gif dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_hash.c openbsd-reallocarray.c

rm -rf "$work"
third_party_done
