#!/usr/bin/env bash
# Checks the hosted CI workflows without running them, since no machine
# here can: every file under .github/workflows is validated against the
# workflow schema (action-validator), linted (yamllint) and held to the
# project's conventions (conventions.mjs). Then one fault of each kind is
# planted in a copy of each workflow, and the check that owns it must fail.
# action-validator and the YAML parser come from the npm registry, pinned by
# package-lock.json, into WORK_DIR. Exits 77 (skipped) where the registry
# cannot be reached.
#
# Usage: run.sh SOURCE_DIR WORK_DIR
set -u
source_dir=$(cd "${1:?usage: run.sh SOURCE_DIR WORK_DIR}" && pwd)
work=${2:?usage: run.sh SOURCE_DIR WORK_DIR}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/report.sh
. "$here/../report.sh"

for tool in node npm yamllint; do
  command -v "$tool" >/dev/null || {
    echo "FAIL: $tool is needed (scripts/bootstrap installs it)"
    exit 1
  }
done
mkdir -p "$work"
cp "$here/package.json" "$here/package-lock.json" "$here/conventions.mjs" "$work/"
if ! (cd "$work" && npm ci --no-audit --no-fund --loglevel=error >npm.log 2>&1); then
  if grep -qE 'ECONNREFUSED|ENOTFOUND|EAI_AGAIN|ETIMEDOUT|ENETUNREACH' "$work/npm.log"; then
    echo "skip: the npm registry cannot be reached: $(grep -m 1 -E 'code|error' "$work/npm.log")"
    exit 77
  fi
  echo "FAIL: npm ci"
  cat "$work/npm.log"
  exit 1
fi
validator=$work/node_modules/.bin/action-validator
lint=(yamllint --strict -d "{extends: default, rules: {line-length: {max: 100}, truthy: {check-keys: false}, document-start: disable}}")
conventions=(node "$work/conventions.mjs")

mapfile -t workflows < <(find "$source_dir/.github/workflows" -name '*.yml' -o -name '*.yaml' | sort)
[ "${#workflows[@]}" -gt 0 ] || {
  echo "FAIL: no workflow under .github/workflows"
  exit 1
}

# plant NAME FILE EXPECTED PATTERN COMMAND...: the check COMMAND must fail,
# saying EXPECTED (an extended regular expression), on a copy of FILE that
# the sed PATTERN changed. FILE itself passes it, as checked before.
plant() {
  local name=$1 file=$2 expected=$3 pattern=$4
  shift 4
  local copy=$work/planted.yml output
  sed -e "$pattern" "$file" >"$copy"
  if cmp -s "$file" "$copy"; then
    fail "$name" "the pattern changed nothing: $pattern"
  elif output=$("$@" "$copy" 2>&1); then
    fail "$name" "the check passed a workflow with the fault planted"
  elif ! grep -qE "$expected" <<<"$output"; then
    fail "$name" "the check failed, but not with \"$expected\": $output"
  else
    pass "$name"
  fi
}

for file in "${workflows[@]}"; do
  name=${file#"$source_dir"/}
  check "$name: the workflow schema" "$validator" "$file"
  check "$name: yamllint" "${lint[@]}" "$file"
  check "$name: conventions" "${conventions[@]}" "$file"

  plant "$name: schema, a misspelt key" "$file" "Additional property 'runs_on'" \
    's/runs-on:/runs_on:/' "$validator"
  plant "$name: yamllint, a key twice" "$file" 'key-duplicates' \
    '0,/^name:.*/s//&\nname: twice/' "${lint[@]}"
  plant "$name: an action by tag" "$file" 'not pinned to a full commit SHA' \
    '0,/@[0-9a-f]\{40\}/s//@v4/' "${conventions[@]}"
  plant "$name: an action by short SHA" "$file" 'not pinned to a full commit SHA' \
    '0,/@\([0-9a-f]\{7\}\)[0-9a-f]\{33\}/s//@\1/' "${conventions[@]}"
  plant "$name: an action without its version" "$file" 'no version in a comment' \
    '0,/\(@[0-9a-f]\{40\}\) *#.*/s//\1/' "${conventions[@]}"
  plant "$name: no permissions" "$file" 'permissions must be set' \
    '/^permissions:/,/^$/d' "${conventions[@]}"
  plant "$name: write permission" "$file" 'permissions must be set' \
    's/^\( *contents:\) read/\1 write/' "${conventions[@]}"
  plant "$name: a job without a timeout" "$file" 'has no timeout-minutes' \
    '0,/^ *timeout-minutes:.*/{/^ *timeout-minutes:.*/d}' "${conventions[@]}"
  plant "$name: no cancelling" "$file" 'cancel a superseded run' \
    's/cancel-in-progress: true/cancel-in-progress: false/' "${conventions[@]}"
  plant "$name: pull_request_target" "$file" 'pull_request_target' \
    's/^  pull_request:/  pull_request_target:/' "${conventions[@]}"
  # shellcheck disable=SC2016 # the workflow's own expression, not the shell's
  plant "$name: a secret" "$file" 'a secret is used' \
    '0,/^ *run: bash .*/s//&\n        env: {TOKEN: "${{ secrets.TOKEN }}"}/' "${conventions[@]}"
done
summary
