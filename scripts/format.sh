#!/usr/bin/env bash
# Applies the project's .clang-format to every tracked C and C++ source
# file, or with --check lists those it would change and fails when there is
# any (the CI stage). clang-format 14, Debian's, is the reference: another
# version may format some constructs differently.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format-14 >/dev/null || bash scripts/install-deps.sh
mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp')
if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for file in "${files[@]}"; do
    clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'format: not as .clang-format has it: %s\n' "${unformatted[@]}" >&2
    echo "format: run bash scripts/format.sh to apply it" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files as .clang-format has them"
else
  clang-format-14 -i "${files[@]}"
fi
