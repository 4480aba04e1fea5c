#!/usr/bin/env bash
# Builds and runs the benchmarks, then prints the table: median time per
# call, the ratio of the whole-frame reading's time to the library's (for the
# calls that have one) and megapixels per second; then the peak heap of one
# getSpotCoord call on a 5 MP frame. The "logged" rows run with the logging a
# host has by default: standard output (sent to /dev/null here) and the
# rotating log file, build/bench-log/talmeqAlgorithm.log.
# Extra arguments go to Google Benchmark (e.g. --benchmark_filter=5MP).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target talmeqBench spotHeapPeak >/dev/null

results=$(mktemp)
trap 'rm -f "$results"' EXIT
mkdir -p build/bench-log
TALMEQ_LOG_FILE=build/bench-log/talmeqAlgorithm.log \
  ./build/bench/talmeqBench --benchmark_out="$results" --benchmark_out_format=json "$@" >/dev/null
python3 scripts/benchTable.py "$results"
echo
./build/bench/spotHeapPeak | python3 scripts/benchTable.py --heap
