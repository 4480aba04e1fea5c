#!/usr/bin/env bash
# Installs what is missing, then configures and builds talmeq in build/.
# Each step announces itself with one line on standard error, so a first run
# on a fresh machine (several minutes) shows what it is doing even when its
# standard output is hidden.
set -euo pipefail
cd "$(dirname "$0")/.."
step() { echo "talmeq: $*" >&2; }
step "checking the Debian packages talmeq needs (installing what is missing)"
bash scripts/install-deps.sh
step "configuring build/"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
step "building (several minutes on a fresh machine, seconds afterwards)"
cmake --build build -j "$(nproc)"
