#!/usr/bin/env bash
# Static checks: formatting and clang-tidy over the project's C++ sources.
# Usage: scripts/check.sh BUILD_DIR   (a configured build with
# compile_commands.json, such as build/dev)
set -euo pipefail
build=$(cd "${1:?usage: scripts/check.sh BUILD_DIR}" && pwd)
cd "$(dirname "$0")/.."
scripts/format.sh --check
mapfile -t sources < <(git ls-files 'cli/*.cpp' 'opener/*.cpp' 'tests/*.cpp')
printf '%s\n' "${sources[@]}" |
  xargs -P "$(getconf _NPROCESSORS_ONLN)" -n 4 clang-tidy -p "$build" --quiet
echo "check: formatting and clang-tidy are clean"
