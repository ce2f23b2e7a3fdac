#!/bin/sh
# Passes the tests on a fresh Debian 12 machine: installs what is missing,
# builds the native (release, sanitizer) and Windows targets, and runs every
# suite — natively, under ASan+UBSan, the threaded suites under TSan, and the
# Windows suites under Wine. Stops at the first failing suite, so the last
# CTest summary printed is the one that decides.
set -eu
cd "$(dirname "$0")/.."
TAVIX_MINGW_DEPS=$(scripts/setup.sh --print-prefix)
export TAVIX_MINGW_DEPS

step() { printf '\n==== %s ====\n' "$*"; }

build() {
    step "build $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

build release
step "test release"
ctest --preset release
step "benchmarks (short run; times are not checked)"
scripts/bench.sh --short build/release

build asan
step "test asan"
ctest --preset asan

build tsan
step "test tsan (threaded suites)"
ctest --preset tsan

build windows
step "test windows (under Wine)"
scripts/wine-ctest.sh build/windows
