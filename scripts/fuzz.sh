#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a bounded time:
# TALMEQ_FUZZ_SECONDS per harness (default 60). Each run starts from the seed
# corpus in fuzz/corpus/<harness>/ and grows a working copy in build-fuzz/;
# the calibration-file harnesses share fuzz/calibrationFile.dict.
# The mutations follow TALMEQ_FUZZ_SEED (default 1), so a run on the same
# code explores the same inputs and CI's verdict does not depend on luck;
# TALMEQ_FUZZ_SEED=0 draws a new seed for exploratory runs. Any
# crash, sanitizer report, leak, timeout or abort fails the script and
# leaves the input in build-fuzz/findings/. Harness names given as arguments
# run only those (e.g. calibrationFileFuzzer); without, every harness runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${TALMEQ_FUZZ_SECONDS:-60}
seed=${TALMEQ_FUZZ_SEED:-1}
harnesses=(calibrationFileFuzzer compressedCalibrationFileFuzzer spotDetectorFuzzer regionLocatorFuzzer)
[ $# -gt 0 ] && harnesses=("$@")

bash scripts/install-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALMEQ_SANITIZE=address,undefined -DTALMEQ_BUILD_FUZZ=ON -DTALMEQ_BUILD_TESTS=OFF \
  -DTALMEQ_BUILD_BENCH=OFF -DTALMEQ_BUILD_CLI=OFF -DTALMEQ_BUILD_SOAK=OFF -DTALMEQ_INSTALL=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1
export OPENCV_LOG_LEVEL=SILENT
# The calibration harness writes a file per input: keep it in memory if we can.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

mkdir -p build-fuzz/findings
# One harness per core at a time: each runs on one thread for its own time,
# so running them side by side gives each the same number of seconds.
runHarness() {  # <harness>: runs it, prints its line; non-zero on a finding
  local harness=$1 name=${1%Fuzzer}
  local work=build-fuzz/corpus/$name log=build-fuzz/${1%Fuzzer}.log
  mkdir -p "$work"
  local options=(-max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                 -artifact_prefix="build-fuzz/findings/$name-")
  [[ $name == *alibration* ]] && options+=(-dict=fuzz/calibrationFile.dict)
  if ! "build-fuzz/fuzz/$harness" "${options[@]}" "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz: $harness found a failure (see $log and build-fuzz/findings/)" >&2
    return 1
  fi
  echo "fuzz: $harness ran $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") inputs in ${seconds}s without a finding"
}

cores=$(nproc)
failed=0
pids=()
for harness in "${harnesses[@]}"; do
  if [ ${#pids[@]} -ge "$cores" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
  runHarness "$harness" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
[ $failed -eq 0 ] || exit 1
total=0
for harness in "${harnesses[@]}"; do
  total=$((total + $(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/${harness%Fuzzer}.log")))
done
echo "fuzz: $total inputs in all"
