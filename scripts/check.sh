#!/usr/bin/env bash
# Static checks: formatting and clang-tidy over the project's C++ sources.
# Usage: scripts/check.sh BUILD_DIR   (a configured build with
# compile_commands.json, such as build/dev)
. "$(dirname "$0")/need-bash.sh" "$@"
set -euo pipefail
build=$(cd "${1:?usage: scripts/check.sh BUILD_DIR}" && pwd)
cd "$(dirname "$0")/.."
scripts/format.sh --check
# clang-tidy sees only what this build compiles: the other platform's
# sources are left to a build on that platform.
mapfile -t sources < <(git ls-files 'cli/*.cpp' 'opener/*.cpp' 'tests/*.cpp' |
  while read -r file; do
    grep -qF "\"file\": \"$PWD/$file\"" "$build/compile_commands.json" &&
      echo "$file"
  done)
printf '%s\n' "${sources[@]}" |
  xargs -P "$(getconf _NPROCESSORS_ONLN)" -n 4 clang-tidy -p "$build" --quiet
echo "check: formatting is clean, and clang-tidy on ${#sources[@]} sources"
