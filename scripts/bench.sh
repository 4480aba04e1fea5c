#!/usr/bin/env bash
# Builds and runs the benchmarks, then prints the table: median time per
# call, the ratio of the whole-frame reading's time to the library's (for the
# calls that have one), megapixels per second and, for the noisier 5 MP
# scene, the floor (reading the detection window once) as a share of the
# library's time; then readSpot against getSpotCoord on the same 5 MP frames;
# then the peak heap of one getSpotCoord call on a 5 MP frame; then the heap
# blocks and minor page faults per call of the per-frame calls, first call
# and steady state (bench/frameCost.cpp); then the Python module's overhead
# per call over the C++ exports on a 5 MP frame and the speed-up of two
# Python threads calling getSpotCoord (bench/bindingBench.py). The "logged"
# rows run with the logging a host has by default: standard output (sent to
# /dev/null here) and the rotating log file, build/bench-log/talmeqAlgorithm.log.
# Run it on an otherwise quiet machine: the script prints the load average it saw.
# Extra arguments go to Google Benchmark (e.g. --benchmark_filter=5MP).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target talmeqBench spotHeapPeak frameCost exportTimer talmeqPython >/dev/null

results=$(mktemp)
trap 'rm -f "$results"' EXIT
mkdir -p build/bench-log
TALMEQ_LOG_FILE=build/bench-log/talmeqAlgorithm.log \
  ./build/bench/talmeqBench --benchmark_out="$results" --benchmark_out_format=json "$@" >/dev/null
/usr/bin/python3 scripts/benchTable.py "$results"
echo
./build/bench/spotHeapPeak | /usr/bin/python3 scripts/benchTable.py --heap
echo
./build/bench/frameCost | /usr/bin/python3 scripts/benchTable.py --cost
echo
PYTHONPATH=build/bindings/python /usr/bin/python3 bench/bindingBench.py build/bench/exportTimer
