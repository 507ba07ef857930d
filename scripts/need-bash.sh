# shellcheck shell=bash
# Sourced first by the project's bash scripts, which need bash 4.4 or later
# (macOS ships 3.2): runs the script again under a bash that is new enough,
# Homebrew's where there is one, or says plainly that one is needed.
# Usage, at the top of a script:  . "$(dirname "$0")/PATH/need-bash.sh" "$@"
# Written for bash 3.2 itself.
if [ "${BASH_VERSINFO[0]}" -lt 4 ] ||
  { [ "${BASH_VERSINFO[0]}" -eq 4 ] && [ "${BASH_VERSINFO[1]}" -lt 4 ]; }; then
  for pagelume_candidate in /opt/homebrew/bin/bash /usr/local/bin/bash; do
    # shellcheck disable=SC2016 # the test is for the candidate to expand
    if [ -x "$pagelume_candidate" ] && "$pagelume_candidate" -c \
      '[ "${BASH_VERSINFO[0]}" -gt 4 ] ||
        { [ "${BASH_VERSINFO[0]}" -eq 4 ] && [ "${BASH_VERSINFO[1]}" -ge 4 ]; }' \
      2>/dev/null; then
      exec "$pagelume_candidate" "$0" "$@"
    fi
  done
  echo "$0: needs bash 4.4 or later, and this is bash $BASH_VERSION" \
    "(macOS: brew install bash, or run scripts/bootstrap)" >&2
  exit 1
fi
