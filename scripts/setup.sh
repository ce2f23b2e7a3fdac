#!/bin/sh
# Prepares a Debian 12 machine for building and testing the SDK:
#  1. installs the Debian packages the native and the Windows builds need;
#  2. cross-builds static Windows libraries (zlib, libjpeg-turbo, libpng,
#     libtiff, GoogleTest) from Debian's own source packages into a cache
#     outside the checkout, keyed by their versions.
# Idempotent and quiet when nothing is missing. Prints the dependency prefix
# on its last line when called with --print-prefix; --packages does step 1
# only (all a native build needs).
set -eu

SELF="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
CACHE_ROOT="${TAVIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavix}"
PACKAGES="build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev googletest libbenchmark-dev libcli11-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libopencv-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  nasm wine64 xvfb xauth ffmpeg locales fonts-ipafont-gothic"
SOURCES="zlib libjpeg-turbo libpng1.6 tiff"

log() { echo "setup: $*" >&2; }
fail() { log "$*"; exit 1; }
as_root() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        fail "needs root to run '$*': run this script as root, or install sudo and allow this user to use it"
    fi
}

# The files apt itself reads; anything else in sources.list.d (backups,
# disabled entries) is ignored by apt and so here.
apt_source_files() {
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && echo "$f"
    done
}

install_packages() {
    missing=""
    for p in $PACKAGES; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        case "$status" in *"install ok installed"*) ;; *) missing="$missing $p" ;; esac
    done
    [ -z "$missing" ] && return 0
    log "installing$missing"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
}

# Source entries are derived from the machine's own apt configuration: the
# deb entries of debian.sources become deb-src entries. No server is named here.
ensure_deb_src() {
    files=$(apt_source_files)
    if [ -n "$files" ] && grep -qs '^[[:space:]]*\(deb-src\|Types:.*deb-src\)' $files; then
        log "updating package lists for the source packages"
        as_root apt-get update -qq
        return 0
    fi
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
        sed 's/^Types:.*$/Types: deb-src/' "$src" | as_root tee /etc/apt/sources.list.d/tavix-deb-src.sources >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee /etc/apt/sources.list.d/tavix-deb-src.list >/dev/null
    else
        fail "no apt source configuration found (/etc/apt/sources.list or sources.list.d/debian.sources)"
    fi
    log "added deb-src entries; updating package lists"
    as_root apt-get update -qq
}

suite() { . /etc/os-release; echo "$VERSION_CODENAME"; }

# Names of the .dsc files of the release suite: "zlib_1.2.13.dfsg-1.dsc ...".
source_versions() {
    for s in $SOURCES; do
        apt-get source --download-only --print-uris "$s/$(suite)" 2>/dev/null |
            sed -n "s/^'[^']*' \([^ ]*\.dsc\) .*/\1/p"
    done
}

cross_versions() {
    dpkg-query -W -f='${Version} ' g++-mingw-w64-x86-64-posix googletest
}

build_mingw_deps() {
    prefix=$1
    work=$(mktemp -d "$CACHE_ROOT/build.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    toolchain="$work/toolchain.cmake"
    cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $prefix)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    cd "$work"
    log "fetching source packages: $SOURCES"
    quietly() { "$@" >>"$work/log" 2>&1 || { cat "$work/log" >&2; fail "failed: $*"; }; }
    for s in $SOURCES; do quietly apt-get source -qq --download-only "$s/$(suite)"; done
    for dsc in *.dsc; do quietly dpkg-source -x "$dsc"; done
    cm() { quietly cmake -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"; }
    inst() { quietly cmake --build "$1" -j2 && quietly cmake --install "$1"; }

    log "building zlib"
    # Debian's zlib source carries no Windows makefile: compile the library
    # files directly into a static libz.a.
    (cd zlib-*/ && for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite \
            infback inffast inflate inftrees trees uncompr zutil; do
            x86_64-w64-mingw32-gcc-posix -O2 -c "$f.c" -o "$f.o" || exit 1
        done &&
        x86_64-w64-mingw32-ar rcs libz.a ./*.o &&
        mkdir -p "$prefix/include" "$prefix/lib" &&
        cp zlib.h zconf.h "$prefix/include/" && cp libz.a "$prefix/lib/") || fail "building zlib failed"

    log "building libjpeg-turbo"
    cm -S libjpeg-turbo-*/ -B b-jpeg -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=ON \
        -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON
    inst b-jpeg

    log "building libpng"
    cm -S libpng1.6-*/ -B b-png -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF \
        -DPNG_TESTS=OFF -DZLIB_USE_STATIC_LIBS=ON -DZLIB_ROOT="$prefix"
    inst b-png

    log "building libtiff"
    cm -S tiff-*/ -B b-tiff -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF \
        -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF -Dzlib=OFF -Dlibdeflate=OFF \
        -Dpixarlog=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djpeg12=OFF -Djbig=OFF -Dlerc=OFF \
        -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF
    inst b-tiff

    log "building GoogleTest"
    cm -S /usr/src/googletest -B b-gtest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF
    inst b-gtest

    cd /
    rm -rf "$work"
    trap - EXIT
}

# The dialogs' Japanese run needs the Japanese locale (Wine takes the
# system language from it) and a font with Japanese glyphs (the package).
ensure_japanese_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
    log "generating the ja_JP.UTF-8 locale"
    as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

main() {
    install_packages
    ensure_japanese_locale
    [ "${1:-}" = "--packages" ] && return 0
    mkdir -p "$CACHE_ROOT"
    versions=$(source_versions)
    if [ -z "$versions" ]; then
        ensure_deb_src
        versions=$(source_versions)
    fi
    [ -n "$versions" ] || fail "cannot resolve the source package versions of: $SOURCES (is there a deb-src entry?)"
    # The key covers the recipe too: a changed build step builds afresh
    # (the package list and the rest of this script do not).
    recipe=$(sed -n '/^build_mingw_deps()/,/^}/p' "$SELF" | sha256sum | cut -c1-16)
    key=$(printf '%s %s %s' "$versions" "$(cross_versions)" "$recipe" | sha256sum | cut -c1-16)
    prefix="$CACHE_ROOT/mingw-deps-$key"
    if [ ! -f "$prefix/.complete" ]; then
        rm -rf "$prefix"
        build_mingw_deps "$prefix"
        printf '%s\n' $versions >"$prefix/.complete"
        log "Windows libraries ready in $prefix"
    fi
    ln -sfn "$prefix" "$CACHE_ROOT/mingw-deps"
    if [ "${1:-}" = "--print-prefix" ]; then echo "$CACHE_ROOT/mingw-deps"; fi
}

main "$@"
