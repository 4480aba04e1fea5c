#!/usr/bin/env bash
# addCli11.sh ROOT: Debian 11 has no CLI11 package, which the talmeq tool
# needs. CLI11 is headers only and its Debian 12 package depends on nothing,
# so that package, fetched by this (Debian 12) machine's apt, is installed
# into the root. A root that has CLI11 already is left alone.
set -euo pipefail
root=$1
[ -e "$root/usr/include/CLI/CLI.hpp" ] && exit 0
download=$(mktemp -d)
trap 'rm -rf "$download"' EXIT
(cd "$download" && apt-get download -qq libcli11-dev 2>/dev/null)
cp "$download"/libcli11-dev_*.deb "$root/tmp/"
chroot "$root" sh -c 'dpkg -i /tmp/libcli11-dev_*.deb >/dev/null && rm /tmp/libcli11-dev_*.deb'
echo "compat: installed CLI11 from Debian 12 into $root" >&2
