#!/usr/bin/env bash
# The soak run: builds talmeqSoak and runs it for TALMEQ_SOAK_SECONDS
# (default 60) from 4 threads with the library's default logging, standard
# output sent to /dev/null and the rotating log file in build/soak-run/.
# Prints the report (calls, resident memory, open file descriptors, log
# files, differing results) and fails when a bound is broken. Extra
# arguments go to talmeqSoak (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target talmeqSoak >/dev/null

folder=build/soak-run
rm -rf "$folder"
./build/soak/talmeqSoak --seconds "${TALMEQ_SOAK_SECONDS:-60}" --threads 4 --folder "$folder" "$@" >/dev/null
