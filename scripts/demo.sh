#!/usr/bin/env bash
# Builds talmeq and runs its demo on built-in synthetic data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
echo "talmeq: running the demo" >&2
./build/source/cli/talmeq demo "$@"
