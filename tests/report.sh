# shellcheck shell=bash
# The tally the test scripts keep, and their one way of reporting: "ok:
# NAME", "FAIL: NAME" with what went wrong, "skip: NAME (REASON)", and a
# closing "N passed, N failed, N skipped" line. Sourced, not run.
passed=0
failed=0
skipped=0

pass() {
  passed=$((passed + 1))
  echo "ok: $1"
}

# fail NAME [DETAILS]
fail() {
  failed=$((failed + 1))
  printf 'FAIL: %s\n' "$1"
  [ -z "${2:-}" ] || printf '%s\n' "$2"
}

# skip "NAME (REASON)"
skip() {
  skipped=$((skipped + 1))
  echo "skip: $1"
}

# check NAME COMMAND...: passes when COMMAND succeeds, else fails with what
# it printed.
check() {
  local name=$1 output
  shift
  if output=$("$@" 2>&1); then
    pass "$name"
  else
    fail "$name" "$output"
  fi
}

# The closing line. The status is 1 when anything failed, and 77 (skipped,
# as CTest is told) when nothing could run here: never a pass for that.
summary() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ] || return 1
  [ "$passed" -gt 0 ] || return 77
}
