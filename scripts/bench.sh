#!/bin/sh
# Runs every benchmark of a release build. --short makes one quick pass of
# each, so that CI keeps them compiling and running; times need a full run.
set -eu
short=0
if [ "${1:-}" = "--short" ]; then short=1; shift; fi
build_dir=${1:-build/release}
found=0
for bench in "$build_dir"/bin/bench_*; do
    [ -x "$bench" ] || continue
    found=1
    echo "-- $(basename "$bench")"
    if [ $short = 1 ]; then
        "$bench" --benchmark_min_time=0 --benchmark_repetitions=1
    else
        "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
    fi
done
[ $found = 1 ] || echo "no benchmarks built in $build_dir"
