#!/bin/sh
# The SDK's main job on the emulated camera, through the tavix tool: list
# the cameras, show the camera's information, save a full-resolution colour
# frame in every file format into a fresh folder, stream for five seconds
# with the stream's statistics and record two seconds into an AVI file. Builds what is missing first (the
# Debian packages, the release library and the tool); prints where the
# files are.
#
# TAVIX_DEMO_OUT=<folder> puts the files there instead of a new folder
# under /tmp; TAVIX_CAMEMU=<n> chooses how many emulated cameras there are.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh --packages
echo "building the library and the tool (build/release)"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
{ [ -f build/release/build.ninja ] || cmake --preset release; } >"$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build build/release --target tavix >"$log" 2>&1 || { cat "$log"; exit 1; }

tool="$root/build/release/bin/tavix"
out="${TAVIX_DEMO_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/tavix-demo.XXXXXX")}"
mkdir -p "$out"
export TAVIX_CAMEMU="${TAVIX_CAMEMU:-1}"
# The library keeps settings per camera number; the demo's stay with its
# files instead of joining those of a real camera.
export XDG_CONFIG_HOME="$out/settings"

run() {
    printf '\n$ tavix %s\n' "$*"
    "$tool" "$@"
}

run --version
run list
run info
for format in bmp raw jpg png tif; do
    run snap --bits 24 -o "$out/colour.$format"
done
run stream --seconds 5
run record --seconds 2 -o "$out/clip.avi"

printf '\nThe frames and the recording are in %s:\n' "$out"
ls -l "$out"/colour.* "$out"/clip.avi
