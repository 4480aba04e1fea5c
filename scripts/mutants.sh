#!/usr/bin/env bash
# Mutation probe: how many single-point faults in the product code (the
# library and the host bindings) does the test suite catch?
#
# Each mutant of scripts/mutants.list is applied on its own, the project is
# rebuilt incrementally in build-mutants/ (Release, tests on, benchmarks
# off, so build/ is never touched) and the whole CTest suite runs with a
# per-test time limit, stopping at the first failure. The source file is
# then restored byte for byte, also after an error or Ctrl-C. A mutant is
# killed when a test fails or hangs, survived when the suite stays green,
# stillborn when it does not build. The unmutated suite must be green first.
#
# Usage: bash scripts/mutants.sh [options] [ID...]   (all mutants by default)
#   --list           print the mutants (id, file, description) and stop
#   --check          only check that every snippet is found exactly once
#   --jobs N         build and test jobs (default 2)
#   --timeout S      time limit of each test in seconds (default 300)
#   --tests REGEX    run only the tests whose names match (ctest -R), with
#                    the fixtures they need; the whole suite by default
# Writes build-mutants/mutants-report.txt, and per mutant its build and test
# output under build-mutants/mutant-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

python=/usr/bin/python3
helper=("$python" scripts/mutants.py)
build=build-mutants
jobs=2
timeout=300
tests=
ids=()
mode=run

usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }

while [ $# -gt 0 ]; do
  case $1 in
    --list) mode=list ;;
    --check) mode=check ;;
    --jobs) jobs=${2:?--jobs needs a number}; shift ;;
    --timeout) timeout=${2:?--timeout needs seconds}; shift ;;
    --tests) tests=${2:?--tests needs a regular expression}; shift ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "mutants: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) ids+=("$1") ;;
  esac
  shift
done

case $mode in
  list) exec "${helper[@]}" list "${ids[@]}" ;;
  check) "${helper[@]}" check "${ids[@]}"; echo "mutants: every snippet found exactly once"; exit 0 ;;
esac

# --- Restoring the mutated file -------------------------------------------
# While a mutant is applied, $state names the mutated file and $backup holds
# its original bytes. A run killed outright (SIGKILL) leaves both behind;
# the next run restores the file before anything else.
mkdir -p "$build/mutant-logs"
state=$root/$build/mutant-applied
backup=$root/$build/mutant-original

restore() {
  [ -f "$state" ] || return 0
  local file
  file=$(cat "$state")
  cat "$backup" >"$file"  # rewrites the bytes; the new time stamp makes make rebuild it
  rm -f "$state" "$backup"
}

if [ -f "$state" ]; then
  echo "mutants: restoring $(cat "$state") left mutated by an earlier run"
  restore
fi

# On a signal: restore, then report the mutants finished so far.
on_signal() {
  restore
  echo >&2
  echo "mutants: interrupted, source restored" >&2
  if declare -F write_report >/dev/null && [ -s "$results" ]; then
    write_report
    echo "mutants: partial report in $report" >&2
  fi
  exit 130
}
results=$build/mutant-results.tsv
report=$build/mutants-report.txt
trap restore EXIT
trap on_signal INT TERM HUP

# Every chosen snippet must be found exactly once before an hour is spent.
"${helper[@]}" check "${ids[@]}"
mapfile -t chosen < <("${helper[@]}" ids "${ids[@]}")
: >"$results"
rm -f "$report"

# --- Build and test --------------------------------------------------------
bash scripts/install-deps.sh

configure() {
  local launcher=()
  # The compiler cache is used when the machine has one; the probe does not need it.
  if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTALMEQ_BUILD_TESTS=ON -DTALMEQ_BUILD_BENCH=OFF \
    -DTALMEQ_BUILD_FUZZ=OFF -DTALMEQ_SANITIZE= "${launcher[@]}" >/dev/null
}

build_tree() { cmake --build "$build" -j "$jobs" >"$1" 2>&1; }

# Runs the suite; returns its status. --stop-on-failure ends it at the first
# failing (or timed-out) test.
run_suite() {
  ctest --test-dir "$build" ${tests:+-R "$tests"} --stop-on-failure --timeout "$timeout" -j "$jobs" \
    --output-on-failure >"$1" 2>&1
}

# The first failed test named in a suite's output, as "Name (Failed)" or
# "Name (Timeout)"; "?" when the output names none.
first_failure() {
  local name
  name=$(sed -n '/The following tests FAILED:/{n;s/^[[:space:]]*[0-9]* - //;p;q}' "$1")
  echo "${name:-?}"
}

start=$SECONDS
echo "mutants: building the unmutated tree in $build/"
configure
if ! build_tree "$build/mutant-logs/baseline.build.log"; then
  echo "mutants: the unmutated tree does not build; see $build/mutant-logs/baseline.build.log" >&2
  exit 1
fi
echo "mutants: running the unmutated suite"
if ! run_suite "$build/mutant-logs/baseline.test.log"; then
  echo "mutants: the unmutated suite is not green ($(first_failure "$build/mutant-logs/baseline.test.log"));" \
    "see $build/mutant-logs/baseline.test.log" >&2
  exit 1
fi
baseline=$((SECONDS - start))
echo "mutants: unmutated suite green (${baseline} s); ${#chosen[@]} mutants to run"

write_report() {
  "${helper[@]}" summary "$results" $((SECONDS - start)) >"$report"
  printf 'unmutated build and suite: %d s\n' "$baseline" >>"$report"
}

total=${#chosen[@]}
n=0
for id in "${chosen[@]}"; do
  n=$((n + 1))
  began=$SECONDS
  file=$("${helper[@]}" apply "$id" "$backup" "$state")
  killer=""
  if ! build_tree "$build/mutant-logs/$id.build.log"; then
    status=stillborn
  elif run_suite "$build/mutant-logs/$id.test.log"; then
    status=survived
  else
    status=killed
    killer=$(first_failure "$build/mutant-logs/$id.test.log")
  fi
  restore
  seconds=$((SECONDS - began))
  printf '%s\t%s\t%d\t%s\n' "$id" "$status" "$seconds" "$killer" >>"$results"
  printf '[%2d/%d] %-9s %-26s %4d s  %s%s\n' "$n" "$total" "$status" "$id" "$seconds" "$file" \
    "${killer:+  <- $killer}"
done

write_report
echo
cat "$report"
echo "mutants: report written to $build/mutants-report.txt"
