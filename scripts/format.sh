#!/usr/bin/env bash
# Formats every tracked C++ file with the project's .clang-format;
# with --check, changes nothing and fails when a file is not formatted.
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/need-bash.sh" "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.hpp' '*.hpp.in')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run -Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
