#!/usr/bin/env bash
# Installs the Debian packages that building and testing talmeq need, only
# those that are missing. Quiet when everything is present. Run as root.
# `--list` prints the names and installs nothing. Written for Debian 12; on
# Debian 11 and 13 a name the release does not carry (clang-14, mono) is
# left out with a note, and what needs it (fuzzing, C# host) is skipped.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libopencv-dev libopencv-contrib-dev
  liblog4cpp5-dev
  libcli11-dev nlohmann-json3-dev libxml2-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev python3
  clang-14 libclang-rt-14-dev clang-format-14 ccache
  pybind11-dev python3-dev python3-numpy python3-pytest python3-opencv
  mono-mcs mono-runtime
  opencv-doc  # OpenCV's sample photos (left01..left14.jpg) for the real-photo calibration test; large
)

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
echo "updating the package lists" >&2
apt-get update -qq
available=()
for package in "${missing[@]}"; do
  if [[ "$(apt-cache policy "$package" 2>/dev/null)" == *"Candidate: "[0-9]* ]]; then
    available+=("$package")
  else
    echo "not in this release's archive, left out: $package" >&2
  fi
done
missing=("${available[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing ${#missing[@]} packages (a few minutes)" >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
