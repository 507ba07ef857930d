#!/usr/bin/env bash
# Configures scratch builds with settings a user might get wrong: a relative
# opener is refused, and any opener path reaches the built tool intact.
#
# Usage: run.sh SOURCE_DIR CXX_COMPILER
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/../../scripts/need-bash.sh" "$@"
set -u
source_dir=${1:?usage: run.sh SOURCE_DIR CXX_COMPILER}
compiler=${2:?usage: run.sh SOURCE_DIR CXX_COMPILER}
work=$(mktemp -d "${TMPDIR:-/tmp}/pagelume-configure.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=tests/report.sh
. "$(dirname "$0")/../report.sh"

# verdict NAME PROBLEM: passes when PROBLEM is empty.
verdict() {
  if [ -z "$2" ]; then pass "$1"; else fail "$1" "$2"; fi
}

configure() {
  cmake -S "$source_dir" -B "$work/$1" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
    -DPAGELUME_BUILD_TESTS=OFF "${@:2}" >"$work/$1.log" 2>&1
}

if configure relative -DPAGELUME_OPENER=bin/open; then
  verdict 'a relative opener is refused' "configure succeeded"
elif ! grep -q 'PAGELUME_OPENER must be an absolute path' "$work/relative.log"; then
  verdict 'a relative opener is refused' "$(cat "$work/relative.log")"
else
  verdict 'a relative opener is refused' ""
fi

# Blanks, quotes and a backslash: characters a C++ string literal must
# escape, and a shell must quote.
opener='/no such/"open"\tool'
problem=""
if ! configure awkward "-DPAGELUME_OPENER=$opener"; then
  problem=$(cat "$work/awkward.log")
elif ! cmake --build "$work/awkward" --target pagelume >"$work/build.log" 2>&1; then
  problem=$(tail -n 20 "$work/build.log")
else
  mkdir -p "$work/Pagelume.app"
  actual=$(cd "$work" && PAGELUME_APP="$work/Pagelume.app" "$work/awkward/cli/pagelume" 2>&1)
  expected="pagelume: error: failed to launch $opener: No such file or directory"
  [ "$actual" = "$expected" ] || problem="expected: $expected"$'\n'"actual:   $actual"
fi
verdict 'an awkward opener path reaches the tool intact' "$problem"

summary
