#!/usr/bin/env bash
# Makes a Debian root for a compatibility build, or reuses the one already
# there: makeRoot.sh SUITE DIR. The root comes from the same Debian mirror
# this machine's apt uses; the packages are the ones scripts/install-deps.sh
# names, installed by that script inside the root as a user of that release
# would. The root is built beside DIR and renamed into place only when
# complete, so an interrupted run leaves nothing that looks reusable.
set -euo pipefail
suite=$1 dir=$2
here=$(cd "$(dirname "$0")" && pwd)

if [ -x "$dir/usr/bin/cmake" ] && [ -f "$dir/.talmeq-root-complete" ]; then
  echo "compat: reusing the $suite root in $dir" >&2
  exit 0
fi

# The first Debian archive URI of this machine's apt sources (deb822 or
# one-line format), security archives aside.
mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '/^URIs:/ {print $2}' | grep -v security | head -n 1 || true)
  if [ -z "$uri" ]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" {for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) {print $i; exit}}' | grep -v security | head -n 1 || true)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

command -v mmdebstrap >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
}

# Unmounts whatever is still mounted below a root (a run that was killed),
# deepest first, so that removing the root cannot reach the host's /proc,
# /sys or /dev.
unmountBelow() {
  awk -v root="$1/" 'index($2, root) == 1 {print $2}' /proc/mounts | sort -r | while read -r m; do umount -l "$m"; done
}

partial="$dir.partial"
unmountBelow "$partial"
rm -rf --one-file-system "$partial"
mkdir -p "$(dirname "$dir")"
echo "compat: making the $suite root from $(mirror) (several minutes)" >&2
# mmdebstrap mounts /proc, /sys and /dev for its hooks and unmounts them after.
mmdebstrap --quiet --variant=apt --aptopt='APT::Install-Recommends "false"' \
  --include=ca-certificates \
  --customize-hook="copy-in $here/../install-deps.sh /tmp" \
  --customize-hook='chroot "$1" bash /tmp/install-deps.sh' \
  --customize-hook='rm -f "$1/tmp/install-deps.sh"' \
  --customize-hook="bash $here/addCli11.sh \"\$1\"" \
  --customize-hook='chroot "$1" apt-get clean' \
  "$suite" "$partial" "$(mirror)"
touch "$partial/.talmeq-root-complete"
unmountBelow "$dir"
rm -rf --one-file-system "$dir"
mv "$partial" "$dir"
