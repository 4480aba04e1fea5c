#!/usr/bin/env bash
# Builds talmeq and runs its demo on built-in synthetic data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
./build/source/cli/talmeq demo "$@"
