#!/usr/bin/env bash
# Static checks: formatting and clang-tidy over the project's C++ sources,
# and shellcheck over its shell scripts.
# Usage: scripts/check.sh BUILD_DIR   (a configured build with
# compile_commands.json, such as build/dev)
# shellcheck source=scripts/need-bash.sh
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
# Every shell script: those whose first line names sh or bash, the bash
# completion and the helper the scripts source. A suppression is written at
# the line it concerns, with its reason.
mapfile -t scripts < <(git ls-files | while read -r file; do
  case $file in
    completions/pagelume.bash | scripts/need-bash.sh) echo "$file" ;;
    *) head -n 1 "$file" | grep -qE '^#!.*\b(ba)?sh\b' && echo "$file" ;;
  esac
done)
shellcheck -x "${scripts[@]}"
echo "check: formatting is clean; clang-tidy on ${#sources[@]} sources and" \
  "shellcheck on ${#scripts[@]} scripts find nothing"
