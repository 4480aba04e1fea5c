#!/usr/bin/env bash
# Builds talmeq with clang and sanitizers and runs tests there; any sanitizer
# report aborts the test that caused it, which fails the run.
#   sanitize.sh [address]  AddressSanitizer + UndefinedBehaviorSanitizer in
#                          build-asan/, the whole test suite
#   sanitize.sh thread     ThreadSanitizer in build-tsan/, the concurrency,
#                          logger and precision-layer suites
# The Python module and the C# host are left out of these builds: their
# interpreters cannot load sanitized libraries. The C interface is tested
# from its C host.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-address}
bash scripts/install-deps.sh

configure() {  # <build dir> <sanitizers> [cmake options...]
  local dir=$1 sanitizers=$2
  shift 2
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALMEQ_SANITIZE="$sanitizers" -DTALMEQ_BUILD_BENCH=OFF -DTALMEQ_BUILD_SOAK=OFF "$@" >/dev/null
}

case "$mode" in
  address)
    configure build-asan address,undefined
    cmake --build build-asan -j "$(nproc)"
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    ;;
  thread)
    configure build-tsan thread -DTALMEQ_BUILD_CLI=OFF
    cmake --build build-tsan -j "$(nproc)" --target concurrencyTests loggerTests precisionTests
    export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"
    ctest --test-dir build-tsan --output-on-failure -R '^(Concurrency|Logger|SpotReading|HeightReading)\.'
    ;;
  *)
    echo "usage: $0 [address|thread]" >&2
    exit 2
    ;;
esac
