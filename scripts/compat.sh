#!/usr/bin/env bash
# Builds talmeq and runs its tests against the OpenCV of three Debian
# releases: 11 (OpenCV 4.5.1) and 13 (4.10.0) in roots made by
# scripts/compat/makeRoot.sh and kept outside the repository
# (TALMEQ_COMPAT_CACHE/roots, default /var/cache/talmeq), and this machine's
# Debian 12 (4.6.0) in build/. In each it runs the export transcript
# (soak/exportTranscript.cpp) and compares the three transcripts
# byte for byte. Prints one line per system and the time of every step;
# exits non-zero if any system fails to build or to pass.
#
# The tests run in each system are, unless TALMEQ_COMPAT_TESTS=all asks for
# the whole suite: the exports' exactness (export messages, differential,
# bad-input matrix), the camera calibrations, the calibration file and its
# reader, and the tool's hostile-run table and board and camera commands.
#
#   bash scripts/compat.sh            # roots, builds, tests, transcripts
#   bash scripts/compat.sh roots      # make (or find) the roots only
#   bash scripts/compat.sh packages   # install mmdebstrap only
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
cache=${TALMEQ_COMPAT_CACHE:-/var/cache/talmeq}
out=$cache/compat-results
mkdir -p "$out"
targets=(exactnessTests cliToolTests talmeq exportTranscript)
selected='^(ArucoApi\.|ExportMessages\.|Differential\.|BadInputMatrix(\.|$)|Camera(\.|$)|CalibrationFile|CalibrationReader\.|HostileRuns\.|BoardCommand\.|CameraCommands\.)'
[ "${TALMEQ_COMPAT_TESTS:-}" = all ] && selected='.'
jobs=$(nproc)

timings=()
timed() {  # <label> <command...>
  local label=$1 start=$SECONDS rc=0
  shift
  "$@" || rc=$?
  timings+=("$label: $((SECONDS - start)) s")
  echo "compat: $label: $((SECONDS - start)) s" >&2
  return $rc
}

# Configures (once) and builds the targets in BUILD, runs the tests and the
# transcript. Runs on this machine or inside a root, from the source in SRC.
# Writes ctest's output to OUT/ctest-NAME.log and the transcript to
# OUT/transcript-NAME.txt.
buildAndTest() {  # <src> <build> <out> <name>
  local src=$1 build=$2 dest=$3 name=$4
  # This machine's build/ keeps the options it has; a root's build leaves out
  # what the tests run there do not need.
  local options=(-DCMAKE_BUILD_TYPE=Release -DTALMEQ_BUILD_BENCH=OFF -DTALMEQ_BUILD_PYTHON=OFF -DTALMEQ_BUILD_SOAK=ON)
  [ "$name" = debian-12 ] && [ -f "$build/CMakeCache.txt" ] && options=()
  cmake -S "$src" -B "$build" "${options[@]}" >"$dest/configure-$name.log"
  nice -n 10 cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$dest/build-$name.log"
  # A kept build folder still holds the test lists of executables an older
  # source built there; CTest would run those stale binaries too. Only the
  # lists of the targets built now stay (the others read as NOT_BUILT).
  # This machine's build/ is built whole by the test stage and left alone.
  local list target keep built
  [ "$name" = debian-12 ] || while IFS= read -r list; do
    target=$(basename "$list")
    target=${target%%\[*}
    keep=0
    for built in "${targets[@]}"; do [ "$built" = "$target" ] && keep=1; done
    [ $keep -eq 1 ] || rm -f "$list"
  done < <(find "$build" -name '*_tests.cmake' -path '*tests*')
  (cd "$build" && ctest -R "$selected" -j "$jobs" --output-on-failure >"$dest/ctest-$name.log" 2>&1) || true
  mkdir -p "$build/transcript"
  "$build/soak/exportTranscript" "$build/transcript" >"$dest/transcript-$name.txt"
}
# The function goes into the roots as text.
buildAndTestSource=$(declare -f buildAndTest)

# "N tests, N passed" from a ctest log; fails when no test ran or one failed.
verdict() {  # <ctest log>
  local line total failed
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" || true)
  [ -n "$line" ] || { echo "no ctest summary"; return 1; }
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  echo "$total tests, $((total - failed)) passed"
  [ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
}

opencvOf() {  # <root or empty>
  sed -nE 's/^#define CV_VERSION_(MAJOR|MINOR|REVISION) +([0-9]+).*/\2/p' \
    "$1/usr/include/opencv4/opencv2/core/version.hpp" | paste -sd.
}

mounted=()
unmountAll() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
trap unmountAll EXIT
trap 'exit 130' INT TERM

# One Debian release in its root: make or reuse it, copy the source in,
# build and test inside.
inRoot() {  # <name> <suite>
  local name=$1 suite=$2 root=$cache/roots/$2
  copySource() {
    rm -rf --one-file-system "$root/talmeq/src"
    mkdir -p "$root/talmeq/src" "$root/talmeq/out"
    # tar keeps the files' times, so an unchanged file is not rebuilt.
    tar -C "$repo" --exclude=./build --exclude='./build-*' --exclude=./.git -cf - . | tar -C "$root/talmeq/src" -xf -
  }
  timed "$name copy" copySource
  mount -t proc proc "$root/proc" && mounted+=("$root/proc")
  mount --bind /dev "$root/dev" && mounted+=("$root/dev")
  local status=0
  timed "$name build+test" chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    bash -c "set -euo pipefail; targets=(${targets[*]}); selected='$selected'; jobs=$jobs; $buildAndTestSource
             buildAndTest /talmeq/src /talmeq/build /talmeq/out $name" || status=$?
  unmountAll
  cp "$root"/talmeq/out/*-"$name".* "$out/" 2>/dev/null || true
  return $status
}

failed=0
lines=()
report() {  # <name> <opencv> <build status>
  local result
  if [ "$3" -ne 0 ]; then
    result="build failed (see $out/build-$1.log)"
    failed=1
  elif ! result=$(verdict "$out/ctest-$1.log"); then
    failed=1
  fi
  lines+=("compat: $1 opencv $2: $result")
}

# Both roots are made (or found) at once: their downloads overlap.
makeRoots() {
  local suite pids=() rc=0
  for suite in bullseye trixie; do
    nice -n 10 bash scripts/compat/makeRoot.sh "$suite" "$cache/roots/$suite" >"$out/root-$suite.log" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || rc=1; done
  [ $rc -eq 0 ] || tail -n 20 "$out"/root-*.log >&2
  return $rc
}
case "${1:-}" in
  packages)  # the host's tool for making roots, nothing else
    command -v mmdebstrap > /dev/null || {
      apt-get update -qq
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap > /dev/null
    }
    exit 0
    ;;
  roots)  # the roots only (CI makes them in the background)
    timed "roots (debian-11 and debian-13)" makeRoots
    exit 0
    ;;
esac
timed "roots (debian-11 and debian-13)" makeRoots

status=0
inRoot debian-11 bullseye || status=$?
report debian-11 "$(opencvOf "$cache/roots/bullseye")" $status

status=0
timed "debian-12 build+test" buildAndTest "$repo" "$repo/build" "$out" debian-12 || status=$?
report debian-12 "$(opencvOf "")" $status

status=0
inRoot debian-13 trixie || status=$?
report debian-13 "$(opencvOf "$cache/roots/trixie")" $status

# The transcripts against this machine's: identical, or the lines that differ.
for name in debian-11 debian-13; do
  if cmp -s "$out/transcript-debian-12.txt" "$out/transcript-$name.txt"; then
    lines+=("compat: transcript $name = debian-12, byte for byte")
  else
    diff "$out/transcript-debian-12.txt" "$out/transcript-$name.txt" >"$out/transcript-$name.diff" || true
    lines+=("compat: transcript $name differs from debian-12 in $(grep -c '^>' "$out/transcript-$name.diff") lines ($out/transcript-$name.diff)")
  fi
done

printf 'compat: %s\n' "${timings[@]}"
printf '%s\n' "${lines[@]}"
exit $failed
