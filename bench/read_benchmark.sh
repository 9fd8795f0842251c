#!/usr/bin/env bash
# Times the reading of a generated station data file of 1,000,000 lines.
set -eu
build=${1:-build}
"$build/bench/read_benchmark" --benchmark_min_time=2
