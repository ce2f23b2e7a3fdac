#!/bin/sh
# The SDK's main job on the emulated camera, as far as it is built: the
# release library and its test suites, then full-resolution frames streamed
# from the emulated camera through the transport, the capture thread and
# the frame ring (frames per second and CPU time per frame), and the
# demosaic of such frames next to OpenCV's.
set -eu
cd "$(dirname "$0")/.."
TAVIX_MINGW_DEPS=$(scripts/setup.sh --print-prefix)
export TAVIX_MINGW_DEPS
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
echo "-- capture path, emulated camera unpaced, 2448 x 2048"
build/release/bin/bench_camera --benchmark_min_time=1
echo "-- demosaic, one thread"
build/release/bin/bench_imaging --benchmark_min_time=0.5
