#!/usr/bin/env bash
# Builds the project with clang and AddressSanitizer + UndefinedBehaviorSanitizer
# in build-asan/ and runs the whole test suite there; any report fails a test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALMEQ_SANITIZE=address,undefined -DTALMEQ_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
