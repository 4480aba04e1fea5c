#!/usr/bin/env bash
# Installs the Debian packages that building and testing talmeq need, only
# those that are missing. Quiet when everything is present. Run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libopencv-dev libopencv-contrib-dev
  liblog4cpp5-dev
  libcli11-dev nlohmann-json3-dev libxml2-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev python3
  clang-14 libclang-rt-14-dev
  pybind11-dev python3-dev python3-numpy python3-pytest python3-opencv
  mono-mcs mono-runtime
  opencv-doc  # OpenCV's sample photos (left01..left14.jpg) for the real-photo calibration test; large
)

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
echo "installing ${#missing[@]} packages (a few minutes)" >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
