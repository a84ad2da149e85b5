# The one route of the third-party builds for Windows (sourced by
# cmake/libjpeg-mingw.sh and cmake/picture-libs-mingw.sh, not run itself):
# where the cache lies, one lock for it, how Debian's source packages are
# fetched and how many compilers run at once.
#
# Each library script calls, in this order:
#   third_party_begin NAME [BUILD_ROOT]   sets repo, cache, prefix (the install
#                                         folder <build root>/third_party/NAME)
#                                         and jobs; ends the script, printing the
#                                         prefix, when a finished install is there
#   third_party_source PACKAGE            prints the folder of PACKAGE's source
#   third_party_done                      marks the install finished, prints it

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# As many compilers as scripts/build runs.
jobs=${ORLSCR_JOBS:-2}

third_party_begin() {
    local root=${2:-$repo/build}
    mkdir -p "$root/third_party"
    cache=$(cd "$root/third_party" && pwd)
    prefix=$cache/$1
    if [ -f "$prefix/.built" ]; then
        echo "$prefix"
        exit 0
    fi
    # Every third-party build of this cache, one at a time: a second caller
    # waits, then finds the install the first one finished.
    exec 9>"$cache/.lock"
    flock 9
    if [ -f "$prefix/.built" ]; then
        echo "$prefix"
        exit 0
    fi
}

third_party_log() {
    echo "$(basename "$0" .sh): $*" >&2
}

# Unpacks Debian's source package PACKAGE into $cache/src once and prints its
# folder (PACKAGE-UPSTREAMVERSION). The newest version of the release first; a
# mirror that lacks it may still serve an earlier one. Unpacked under a
# temporary name, so an interrupted run leaves no half folder to be taken.
third_party_source() {
    local package=$1 dir version fetched="" upstream
    mkdir -p "$cache/src"
    dir=$(find "$cache/src" -maxdepth 1 -type d -name "$package-[0-9]*" | sort -V | tail -n 1)
    if [ -n "$dir" ]; then
        echo "$dir"
        return
    fi
    third_party_log "fetching Debian's $package source"
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -Vru); do
        if (cd "$cache/src" && apt-get source --download-only "$package=$version" >&2); then
            fetched=$version
            break
        fi
    done
    [ -n "$fetched" ] || {
        third_party_log "cannot fetch the $package source (are deb-src entries set up? see scripts/setup)"
        exit 1
    }
    upstream=${fetched#*:}
    upstream=${upstream%-*}
    rm -rf "$cache/src/.unpacking"
    dpkg-source --no-check -x "$cache/src/${package}_${fetched#*:}.dsc" "$cache/src/.unpacking" >&2
    mv "$cache/src/.unpacking" "$cache/src/$package-$upstream"
    echo "$cache/src/$package-$upstream"
}

third_party_done() {
    touch "$prefix/.built"
    echo "$prefix"
}
