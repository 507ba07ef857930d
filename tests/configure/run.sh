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

passed=0
failed=0
check() {
  local name=$1 problem=$2
  if [ -z "$problem" ]; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n%s\n' "$name" "$problem"
  fi
}

configure() {
  cmake -S "$source_dir" -B "$work/$1" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
    -DPAGELUME_BUILD_TESTS=OFF "${@:2}" >"$work/$1.log" 2>&1
}

if configure relative -DPAGELUME_OPENER=bin/open; then
  check 'a relative opener is refused' "configure succeeded"
elif ! grep -q 'PAGELUME_OPENER must be an absolute path' "$work/relative.log"; then
  check 'a relative opener is refused' "$(cat "$work/relative.log")"
else
  check 'a relative opener is refused' ""
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
check 'an awkward opener path reaches the tool intact' "$problem"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
