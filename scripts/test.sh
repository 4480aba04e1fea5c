#!/usr/bin/env bash
# Builds talmeq and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
echo "talmeq: running the test suite" >&2
cd build  # ctest before CMake 3.20 (Debian 11) has no --test-dir
ctest --output-on-failure -j "$(nproc)"
