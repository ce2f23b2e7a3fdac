#!/bin/sh
# The SDK's main job on the emulated camera. Until acquisition lands this
# builds the release library and runs its test suites.
set -eu
cd "$(dirname "$0")/.."
TAVIX_MINGW_DEPS=$(scripts/setup.sh --print-prefix)
export TAVIX_MINGW_DEPS
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
