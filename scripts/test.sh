#!/usr/bin/env bash
# Builds talmeq and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
echo "talmeq: running the test suite" >&2
ctest --test-dir build --output-on-failure -j "$(nproc)"
