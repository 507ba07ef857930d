#!/usr/bin/env bash
# End-to-end cases for the built pagelume binary.
#
# Each case runs the binary in a fresh directory tree with its own working
# directory, HOME, argument 0 and environment (nothing else is inherited), and
# compares standard output, standard error, the exit status and what the
# child program received, byte for byte.
#
# The tool has two fixed system paths: /Applications and the opener it was
# built with. Cases that need them ("s" rows) run inside a private mount
# namespace whose root is assembled from bind mounts, with an empty
# /Applications and a fake opener; where no namespace can be made they are
# skipped with the reason, and the other cases still run.
#
# Environment: PAGELUME (the binary), EXECAS (starts a program with a chosen
# argument 0), PAGELUME_OPENER (the opener path the binary was built with),
# STANDIN (the stand-in opener, where the project builds one).
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/../../scripts/need-bash.sh" "$@"
set -u

: "${PAGELUME:?path of the pagelume binary}"
: "${EXECAS:?path of the execas helper}"
: "${PAGELUME_OPENER:?opener path the binary was built with}"
STANDIN=${STANDIN:-}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# A system program, looked for on PATH and then where Debian keeps those an
# ordinary user's PATH leaves out (chroot is in /usr/sbin).
system_tool() {
  command -v "$1" 2>/dev/null && return
  local folder
  for folder in /usr/sbin /sbin; do
    [ -x "$folder/$1" ] && echo "$folder/$1" && return
  done
  return 1
}

# --- the sandbox ------------------------------------------------------------
#
# Three stages share this script, told apart by PAGELUME_E2E_STAGE:
#   (unset)  makes the scratch folder, runs the next stage in a new mount
#            namespace when one can be made (the cases otherwise), and removes
#            the scratch folder once the namespace, and every mount in it, is
#            gone: nothing is ever deleted through a bind mount;
#   root     assembles the sandbox root and runs the cases chrooted into it;
#   cases    runs the cases inside the sandbox.

stage=${PAGELUME_E2E_STAGE:-}
sandbox_reason=""

if [ -z "$stage" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/pagelume-e2e.XXXXXX")
  scratch=$(cd "$scratch" && pwd -P)
  remove_scratch() {
    chmod -R u+rwx "$scratch" 2>/dev/null
    if rm --one-file-system -rf /nonexistent 2>/dev/null; then
      rm --one-file-system -rf "$scratch"
    else
      rm -rf "$scratch"
    fi
  }
  trap remove_scratch EXIT

  if [ "$(uname -s)" != Linux ]; then
    sandbox_reason="mount namespaces are Linux-only"
  elif ! system_tool unshare >/dev/null; then
    sandbox_reason="unshare is not installed"
  elif ! system_tool chroot >/dev/null; then
    sandbox_reason="chroot is not installed"
  else
    if [ "$(id -u)" -eq 0 ]; then
      unshare_flags=(--mount --propagation private)
    else
      unshare_flags=(--user --map-root-user --mount --propagation private)
    fi
    if "$(system_tool unshare)" "${unshare_flags[@]}" true 2>/dev/null; then
      PAGELUME_E2E_STAGE=root PAGELUME_E2E_SCRATCH=$scratch \
        "$(system_tool unshare)" "${unshare_flags[@]}" bash "${BASH_SOURCE[0]}" "$@"
      exit
    fi
    sandbox_reason="this system refuses a mount namespace"
  fi
fi

# mirror SOURCE TARGET REST: makes TARGET a tmpfs that shows every entry of
# SOURCE through a bind mount, except the one named by the first component
# of REST, which is mirrored in the same way (or made empty, when SOURCE has
# none), down to the last component. What the sandbox writes there lands in
# a tmpfs, never in the real file system.
mirror() {
  local source=$1 target=$2 rest=$3
  local next=${rest%%/*} after=""
  [ "$next" = "$rest" ] || after=${rest#*/}
  mount -t tmpfs tmpfs "$target" || return 1
  local entry name
  for entry in "$source"/* "$source"/.[!.]*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    [ "$name" != "$next" ] || continue
    if [ -L "$entry" ]; then
      cp -P "$entry" "$target/$name"
    elif [ -d "$entry" ]; then
      mkdir "$target/$name" && mount --rbind "$entry" "$target/$name"
    else
      : >"$target/$name" && mount --bind "$entry" "$target/$name"
    fi || return 1
  done
  [ -n "$next" ] || return 0
  mkdir "$target/$next" || return 1
  if [ -L "$source/$next" ]; then
    return 1
  elif [ -d "$source/$next" ]; then
    mirror "$source/$next" "$target/$next" "$after"
  elif [ -n "$after" ]; then
    mkdir -p "$target/$next/$after"
  fi
}

# The sandbox root: the real root with an empty /Applications of its own (a
# tmpfs) and a folder for the fake opener, marked with the scratch folder's
# name so that the cases can tell they are inside it.
if [ "$stage" = root ]; then
  scratch=$PAGELUME_E2E_SCRATCH
  root=$scratch/root
  opener_folder=$(dirname "$PAGELUME_OPENER")
  if mkdir "$root" && mirror "" "$root" "${opener_folder#/}" &&
    mkdir -p "$root/Applications" && mount -t tmpfs tmpfs "$root/Applications" &&
    printf '%s\n' "$scratch" >"$root/.pagelume-e2e-sandbox"; then
    exec "$(system_tool chroot)" "$root" env PAGELUME_E2E_STAGE=cases \
      PAGELUME_E2E_SCRATCH="$scratch" bash "$here/run.sh" "$@"
  fi
  sandbox_reason="the sandbox root could not be assembled"
  scratch=$scratch/cases
  mkdir "$scratch"
fi

if [ "$stage" = cases ]; then
  scratch=$PAGELUME_E2E_SCRATCH/cases
  mkdir "$scratch"
fi

# --- fixtures ---------------------------------------------------------------

# The usage text, as the binary prints it for --help; its own case checks
# its size and first line, and every other case compares against it.
usage=$("$PAGELUME" --help)

# shellcheck disable=SC2016 # the backticks are part of the message
no_bundle='pagelume: error: could not find Pagelume.app; build one with `make app` or point PAGELUME_APP at an existing bundle'
note_before='pagelume: note: no Pagelume.app found; running '
note_after=' directly, which blocks this terminal until the app quits'

# A child that records its working directory and arguments in $FAKE_LOG
# (whole, through a rename, as a detached child is read while it runs), then
# exits with $FAKE_STATUS or kills itself with $FAKE_SIGNAL.
# shellcheck disable=SC2016 # the child's shell expands these, not this one
fake_child='#!/bin/sh
{ pwd; for a in "$@"; do printf "[%s]" "$a"; done; echo; } > "$FAKE_LOG.part"
mv "$FAKE_LOG.part" "$FAKE_LOG"
if [ -n "${FAKE_SIGNAL:-}" ]; then kill -"$FAKE_SIGNAL" $$; fi
exit "${FAKE_STATUS:-0}"
'

# An information property list with CFBundleShortVersionString set to the
# given XML value element, in XML or (through Python's plistlib) binary form.
write_plist() {
  local format=$1 path=$2 value=$3
  mkdir -p "$(dirname "$path")"
  local xml
  xml='<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>CFBundleName</key><string>Pagelume</string>'"$value"'</dict></plist>'
  if [ "$format" = xml ]; then
    printf '%s\n' "$xml" >"$path"
  else
    printf '%s' "$xml" | python3 -c '
import plistlib, sys
sys.stdout.buffer.write(plistlib.dumps(plistlib.loads(sys.stdin.buffer.read()), fmt=plistlib.FMT_BINARY))' >"$path"
  fi
}

# An information property list that holds DEPTH nested arrays under "Deep"
# and the version 1.0, as XML or as a binary list (which Python's plistlib
# cannot write that deep: its writer recurses).
write_deep_plist() {
  local format=$1 path=$2 depth=$3
  mkdir -p "$(dirname "$path")"
  python3 - "$format" "$path" "$depth" <<'PYTHON'
import struct, sys
form, path, depth = sys.argv[1], sys.argv[2], int(sys.argv[3])
if form == "deep-xml":
    data = ('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
            "<key>Deep</key>" + "<array>" * depth + "</array>" * depth +
            "<key>CFBundleShortVersionString</key><string>1.0</string>"
            "</dict></plist>\n").encode()
else:
    # Objects: the top dictionary, its keys, the version, then the chain of
    # arrays.
    objects = [b"\xd2" + struct.pack(">IIII", 1, 2, 3, 4),
               b"\x5f\x10\x1aCFBundleShortVersionString", b"\x54Deep",
               b"\x531.0"]
    for level in range(depth):
        more = level + 1 < depth
        objects.append(b"\xa1" + struct.pack(">I", 5 + level) if more else b"\xa0")
    data = bytearray(b"bplist00")
    offsets = []
    for item in objects:
        offsets.append(len(data))
        data += item
    table = len(data)
    for offset in offsets:
        data += struct.pack(">Q", offset)
    data += bytes(6) + bytes([8, 4]) + struct.pack(">QQQ", len(objects), 0, table)
open(path, "wb").write(bytes(data))
PYTHON
}

# --- one case ---------------------------------------------------------------

# shellcheck source=tests/report.sh
. "$here/../report.sh"

# Replaces the placeholders of a case's strings: @W working directory, @H home,
# @T the case's own directory, @O the opener, @U the usage text, @N the
# missing-bundle line, @<...@> the note around a development executable.
expand() {
  local text=$1
  text=${text//@W/$W}
  text=${text//@H/$H}
  text=${text//@T/$T}
  text=${text//@O/$PAGELUME_OPENER}
  text=${text//@U/$usage}
  text=${text//@M/$many_expected}
  text=${text//@N/$no_bundle}
  text=${text//@</$note_before}
  text=${text//@>/$note_after}
  printf '%s' "$text"
}

# Sets up one thing the case asks for. Paths are relative to the working
# directory unless they begin with "/", "@H" or "@T".
setup() {
  local token=$1 kind=${1%%:*} value=${1#*:}
  value=$(expand "$value")
  case $value in /*) ;; *) value=$W/$value ;; esac
  case $kind in
    file) mkdir -p "$(dirname "$value")" && : >"$value" ;;
    dir) mkdir -p "$value" ;;
    link) # link:PATH=DESTINATION, destination taken as written
      local destination=${value#*=}
      value=${value%%=*}
      mkdir -p "$(dirname "$value")" && ln -s "$(expand "$destination")" "$value" ;;
    checkout) mkdir -p "$value" && : >"$value/Package.swift" ;;
    child) mkdir -p "$(dirname "$value")" && printf '%s' "$fake_child" >"$value" && chmod +x "$value" ;;
    plain) mkdir -p "$(dirname "$value")" && printf 'not a program\n' >"$value" ;;
    tool) mkdir -p "$(dirname "$value")" && cp "$PAGELUME" "$value" ;;
    xml|bin) # xml:BUNDLE=<element> writes BUNDLE/Contents/Info.plist
      write_plist "$kind" "${value%%=*}/Contents/Info.plist" "${value#*=}" ;;
    xml-at) # xml-at:PATH=<element> writes the list at PATH itself
      write_plist xml "${value%%=*}" "${value#*=}" ;;
    text-at) # text-at:PATH=TEXT writes TEXT and a line feed at PATH
      mkdir -p "$(dirname "${value%%=*}")" && printf '%s\n' "${value#*=}" >"${value%%=*}" ;;
    list) # list:BUNDLE=NAME copies tests/fixtures/NAME to BUNDLE/Contents/Info.plist
      mkdir -p "${value%%=*}/Contents" &&
        cp "$here/../fixtures/${value#*=}" "${value%%=*}/Contents/Info.plist" ;;
    deep-xml|deep-bin) # deep-xml:BUNDLE=N: N arrays nested under "Deep"
      # beside the version 1.0, made here rather than kept in the repository
      write_deep_plist "$kind" "${value%%=*}/Contents/Info.plist" "${value#*=}" ;;
    *) echo "e2e: unknown setup token $token" >&2; return 1 ;;
  esac
}

# Whether this script, as root, can run a case as user and group ID; if so,
# the case's folder is opened to that user.
can_become() {
  [ "$(id -u)" -eq 0 ] && setpriv --reuid="$1" --regid="$1" --clear-groups true 2>/dev/null ||
    return 1
  chmod 777 "$T" && chmod o+x "$scratch" "$(dirname "$scratch")"
}

# Whether this is the sandbox the script made: clearing /Applications is
# safe there and nowhere else.
in_sandbox() {
  [ "$stage" = cases ] &&
    [ "$(cat /.pagelume-e2e-sandbox 2>/dev/null)" = "$PAGELUME_E2E_SCRATCH" ] &&
    mountpoint -q /Applications && [ "$(stat -f -c %T /Applications)" = tmpfs ]
}

# case KIND NAME SETUP STATUS STDOUT STDERR CHILD [-- ARGUMENT ...]
#   KIND    t: runs anywhere; s: needs the sandbox; o: needs the stand-in
#           opener (systems other than macOS)
#   SETUP   tokens for setup(), separated by blanks ("\ " inside one), and:
#             env:NAME=VALUE   an environment variable for the run
#             argv0:VALUE      argument 0 ("argv0:" empty, "argv0:-" none)
#             by-name:NAME     runs NAME as found on the run's PATH
#             cwd:PATH         the working directory (created), "cwd:-" removed
#             stdout:closed    or stdout:/dev/full; stderr:closed
#             lock:PATH        PATH loses all permissions once the run is in
#                              its working directory
#             stack:KIB        the run's stack is limited to KIB kibibytes
#             within:SECONDS   the run is killed after SECONDS (status 124)
#             memory:BYTES     the program has at most BYTES of address space
#                              (and its own path as argument 0)
#             deep-cwd:N       the working directory is N folders "é" deep
#             deep-argv0:N     argument 0 is N folders "é" deep
#             unprivileged     runs as an ordinary user (nobody, when root)
#             empty-home       runs as a user whose password-database entry
#                              has an empty home field, without HOME
#             sparse-argv0     argument 0 names a sparse 4 TiB file
#             stranger         runs as a user unknown to the password
#                              database, without HOME
#             many:N           N files, passed after the other arguments
#             no-opener        the opener is absent
#             real-opener      the opener is the stand-in the project builds
#   STDOUT, STDERR  the exact output, printf %b escapes and placeholders
#   CHILD   what the child recorded ("WORKDIR\n[arg][arg]"), or "-" for none
case_() {
  local kind=$1 name=$2 tokens=$3 status=$4 out=$5 err=$6 child=$7
  shift 7
  [ "${1:-}" = -- ] && shift
  if [ "$kind" = s ] && [ "$stage" != cases ]; then
    skip "$name (needs the sandbox)"
    return
  fi
  if [ "$kind" = o ] && [ -z "$STANDIN" ]; then
    skip "$name (this system has its own opener)"
    return
  fi

  T=$scratch/case$((passed + failed + skipped))
  W=$T/w
  H=$T/home
  mkdir -p "$W" "$H"
  if [ "$kind" = s ]; then
    if ! in_sandbox; then
      fail "$name" "not inside the sandbox this script made: /Applications is left alone"
      return
    fi
    rm -rf /Applications/* "$PAGELUME_OPENER"
    printf '%s' "$fake_child" >"$PAGELUME_OPENER"
    chmod +x "$PAGELUME_OPENER"
  fi

  local program=$PAGELUME argv0=$PAGELUME workdir=$W redirect="" errors=""
  local lock="" runner=() by_name="" stack="" limit=() deep="" enter=()
  local memory=""
  local arguments=() many_arguments=()
  many_expected=""
  local environment=(PATH=/usr/bin:/bin "HOME=$H" "FAKE_LOG=$T/child.log")
  # Tokens are separated by blanks; "\ " is a blank inside one.
  local token list=()
  # shellcheck disable=SC2162 # without -r, "\ " stays a blank in a token
  read -a list <<<"$tokens"
  for token in "${list[@]}"; do
    case $token in
      env:*) environment+=("$(expand "${token#env:}")") ;;
      argv0:*) argv0=$(expand "${token#argv0:}") ;;
      by-name:*) by_name=${token#by-name:} ;;
      cwd:-) workdir=- ;;
      cwd:*) workdir=$(expand "${token#cwd:}"); mkdir -p "$workdir" ;;
      stdout:*) redirect=${token#stdout:}
        if [ "$redirect" != closed ] && [ ! -e "$redirect" ]; then
          skip "$name (this system has no $redirect)"
          return
        fi ;;
      stderr:closed) errors=closed ;;
      lock:*) lock=$(expand "${token#lock:}") ;;
      stack:*) stack=${token#stack:} ;;
      within:*) limit=(timeout "${token#within:}") ;;
      memory:*) # at most BYTES of address space; a sanitizer's build cannot
        # even start under such a limit
        memory=${token#memory:}
        if ! command -v prlimit >/dev/null; then
          skip "$name (this system has no prlimit)"
          return
        fi
        prlimit --as="$memory" "$program" --help >/dev/null 2>&1
        if [ "$?" -eq 127 ]; then
          skip "$name (this build cannot start with $memory bytes of address space)"
          return
        fi ;;
      deep-cwd:*) # N nested folders named "é" as the working directory,
        # longer than any path the system takes in one piece
        # (Python, whose chdir is one step each; bash's cd rewrites its
        # whole logical path at every step.)
        deep=${token#deep-cwd:}
        python3 -c '
import os, sys
os.mkdir(sys.argv[1]); os.chdir(sys.argv[1])
for _ in range(int(sys.argv[2])):
    os.mkdir("é"); os.chdir("é")' "$T/deep" "$deep" ||
          { fail "$name" "the deep working directory could not be made"; return; }
        enter=(python3 -c '
import os, shutil, sys
# The program is looked up before the long way down: Python works out the
# working directory afresh for every PATH entry it tries.
program = shutil.which(sys.argv[3]) or sys.argv[3]
os.chdir(sys.argv[1])
for _ in range(int(sys.argv[2])):
    os.chdir("é")
os.execv(program, sys.argv[3:])' "$T/deep" "$deep") ;;
      sparse-argv0) # argument 0 names a 4 TiB file with no data in it
        if ! truncate -s 4T "$T/huge" 2>/dev/null; then
          skip "$name (this file system has no room for a sparse 4 TiB file)"
          return
        fi
        argv0=$T/huge ;;
      deep-argv0:*) # argument 0 of N folders named "é", then "pagelume"
        argv0=/$(printf 'é/%.0s' $(seq "${token#deep-argv0:}"))pagelume ;;
      many:*) # many:N: N files f1.md ... fN.md, passed in order; @M in
        # the expectations is what the child sees of them
        local index
        for ((index = 1; index <= ${token#many:}; index++)); do
          : >"$W/f$index.md"
          many_arguments+=("f$index.md")
          many_expected+="[$W/f$index.md]"
        done ;;
      run:*) # the program, in place of the tool
        program=$(expand "${token#run:}")
        [[ $program == /* ]] || program=$W/$program ;;
      unprivileged) # as an ordinary user, where permissions apply
        if [ "$(id -u)" -eq 0 ]; then
          if ! can_become 65534; then
            skip "$name (no ordinary user to run as)"
            return
          fi
          runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        fi ;;
      stranger | empty-home) # as a user the password database does not
        # know, or knows with an empty home field; no HOME either way
        if ! can_become 54321; then
          skip "$name (needs root to become another user)"
          return
        fi
        runner=(setpriv --reuid=54321 --regid=54321 --clear-groups)
        if [ "$token" = empty-home ]; then
          # A password file of the run's own, bound over /etc/passwd in a
          # mount namespace of its own.
          { cat /etc/passwd; echo "pagelume-e2e:x:54321:54321:::/bin/sh"; } >"$T/passwd"
          # shellcheck disable=SC2016 # the inner shell expands these
          runner=("$(system_tool unshare)" --mount --propagation private sh -c \
            'mount --bind "$0" /etc/passwd && exec "$@"' "$T/passwd" "${runner[@]}")
        fi
        local kept=() entry
        for entry in "${environment[@]}"; do
          [[ $entry == HOME=* ]] || kept+=("$entry")
        done
        environment=("${kept[@]}") ;;
      no-opener) rm -f "$PAGELUME_OPENER" ;;
      real-opener) cp "$STANDIN" "$PAGELUME_OPENER" ;;
      *) setup "$token" || { fail "$name" "setup of $token failed"; return; } ;;
    esac
  done
  local argument
  for argument in "$@"; do arguments+=("$(expand "$argument")"); done
  arguments+=("${many_arguments[@]}")

  local execas=("$EXECAS" "$argv0" "$program")
  [ "$argv0" = - ] && execas=("$EXECAS" --no-arguments "$program")
  # env finds the name on the run's PATH and passes it as argument 0, as a
  # shell does.
  [ -z "$by_name" ] || execas=("$by_name")
  # The limit holds for the program alone, not for the helpers before it.
  [ -z "$memory" ] || execas=(prlimit --as="$memory" "$program")
  (
    if [ "$workdir" = - ]; then
      mkdir "$T/gone" && cd "$T/gone" && rmdir "$T/gone"
    elif [ -n "$deep" ]; then
      cd "$T/deep"  # the rest of the way below, by "enter"
    else
      cd "$workdir"
    fi || exit 99
    [ -z "$lock" ] || chmod 000 "$lock" || exit 99
    [ -z "$stack" ] || ulimit -s "$stack" || exit 99
    case $redirect in
      closed) exec >&- ;;
      ?*) exec >"$redirect" ;;
    esac
    [ "$errors" != closed ] || exec 2>&-
    exec "${limit[@]}" "${enter[@]}" "${runner[@]}" env -i "${environment[@]}" "${execas[@]}" "${arguments[@]}"
  ) >"$T/stdout" 2>"$T/stderr" </dev/null
  local actual=$?
  [ -z "$lock" ] || chmod 755 "$lock"
  # A detached child may still be starting.
  if [ "$child" != - ]; then
    local tries=0
    while [ ! -e "$T/child.log" ] && [ "$tries" -lt 100 ]; do
      sleep 0.05
      tries=$((tries + 1))
    done
  fi

  local problems=""
  [ "$actual" = "$status" ] || problems+="  status: expected $status, got $actual"$'\n'
  printf '%b' "$(expand "$out")" >"$T/stdout.expected"
  printf '%b' "$(expand "$err")" >"$T/stderr.expected"
  cmp -s "$T/stdout" "$T/stdout.expected" ||
    problems+="  stdout:"$'\n'"$(diff <(cat -vet "$T/stdout.expected") <(cat -vet "$T/stdout"))"$'\n'
  cmp -s "$T/stderr" "$T/stderr.expected" ||
    problems+="  stderr:"$'\n'"$(diff <(cat -vet "$T/stderr.expected") <(cat -vet "$T/stderr"))"$'\n'
  if [ "$child" = - ]; then
    [ ! -e "$T/child.log" ] || problems+="  a child ran: $(cat -vet "$T/child.log")"$'\n'
  else
    printf '%b\n' "$(expand "$child")" >"$T/child.expected"
    cmp -s "$T/child.log" "$T/child.expected" ||
      problems+="  child:"$'\n'"$(diff <(cat -vet "$T/child.expected") <(cat -vet "$T/child.log" 2>&1))"$'\n'
  fi

  if [ -z "$problems" ]; then
    pass "$name"
  else
    fail "$name" "${problems%$'\n'}"
  fi
}

# --- the cases --------------------------------------------------------------

app=/Applications/Pagelume.app
open_app="@W\n[-a][$app]"

# Front end. The usage text itself: 589 bytes and a line feed, under its
# heading.
if [ "$(printf '%s\n' "$usage" | wc -c)" -eq 590 ] &&
  [ "${usage%%$'\n'*}" = 'USAGE: pagelume [option ...] [file.md ...]' ]; then
  pass 'usage text'
else
  fail 'usage text' "$usage"
fi
case_ t 'help'                   '' 0 '@U\n' '' - -- -h
case_ t 'long help'              '' 0 '@U\n' '' - -- --help
case_ t 'help wins over files'   '' 0 '@U\n' '' - -- missing.md --help
case_ t 'unknown option'         '' 2 '' 'pagelume: error: unknown option: --frobnicate\n@U\n' - -- --frobnicate
case_ t 'unknown option first'   '' 2 '' 'pagelume: error: unknown option: --\n@U\n' - -- a.md -- --help
case_ t 'help on a full disk'    'stdout:/dev/full' 1 '' 'pagelume: error: cannot write to standard output: No space left on device\n' - -- -h
case_ t 'version on a full disk' 'stdout:/dev/full' 1 '' 'pagelume: error: cannot write to standard output: No space left on device\n' - -- --version
# A pipe whose reader has gone ends the tool by SIGPIPE, as it does any
# command-line tool, with nothing on standard error.
check 'help into a pipe nobody reads' python3 -c '
import os, subprocess, sys
read, write = os.pipe()
os.close(read)
run = subprocess.run([sys.argv[1], "--help"], stdout=write, stderr=subprocess.PIPE)
sys.exit(run.returncode != -13 or run.stderr != b"")' "$PAGELUME"
case_ t 'help to a closed stdout' 'stdout:closed' 1 '' 'pagelume: error: cannot write to standard output: Bad file descriptor\n' - -- --help

# Missing files are reported before any bundle is looked for.
case_ t 'missing files in order' 'file:a.md' 1 '' 'pagelume: error: no such file: @W/b.md, @W/c.md\n' - -- a.md b.md c.md
case_ t 'missing file twice'     '' 1 '' 'pagelume: error: no such file: @W/x.md, @W/x.md\n' - -- x.md x.md
case_ t 'dangling link missing'  'link:a.md=nowhere' 1 '' 'pagelume: error: no such file: @W/a.md\n' - -- a.md
# shellcheck disable=SC2088 # the tool, not the shell, is to expand "~"
case_ t 'home and absolute'      '' 1 '' 'pagelume: error: no such file: @H/n.md, /no/such.md, @W/~x/n.md\n' - -- '~/n.md' /no/such.md '~x/n.md'
# shellcheck disable=SC2088 # the tool, not the shell, is to expand "~"
case_ t 'no home directory'       'stranger' 1 '' 'pagelume: error: cannot determine the home directory\n' - -- '~/a.md'
# Without a home, only what needs one is left out, the same for both
# commands: "~/x.app" is not "/x.app".
case_ s 'no home, absolute file'  "dir:$app file:a.md stranger" 0 '' '' "${open_app}[@W/a.md]" -- @W/a.md
case_ s 'no home, version'        "xml:$app=<key>CFBundleShortVersionString</key><string>1.0</string> dir:/x.app env:PAGELUME_APP=~/x.app stranger" 0 '1.0\n' '' - -- --version
case_ s 'no home, open'           "dir:$app dir:/x.app env:PAGELUME_APP=~/x.app stranger" 0 '' '' "$open_app"
# shellcheck disable=SC2088 # the tool, not the shell, is to expand "~"
case_ s 'empty home field'        'empty-home' 1 '' 'pagelume: error: cannot determine the home directory\n' - -- '~/a.md'
case_ t 'removed working directory' 'cwd:-' 1 '' 'pagelume: error: cannot determine the current directory: No such file or directory\n' - -- a.md

# Opening through the opener.
case_ s 'no files, system bundle' "dir:$app" 0 '' '' "$open_app"
case_ s 'files made absolute'    "dir:$app file:a.md file:sub/b\ c.md" 0 '' '' "${open_app}[@W/a.md][@W/sub/b c.md]" -- a.md 'sub/b c.md'
case_ s 'awkward names unchanged' "dir:$app file:'q\"d\".md file:* file:- file:-x.md" 0 '' '' "${open_app}[@W/'q\"d\".md][@W/*][@W/-][@W/./-x.md]" -- "'q\"d\".md" '*' - ./-x.md
case_ s 'a directory is a file'  "dir:$app dir:notes" 0 '' '' "${open_app}[@W/notes][@H]" -- notes '~'
case_ s 'opener fails'           "dir:$app env:FAKE_STATUS=3" 3 '' 'pagelume: error: @O exited with status 3\n' "$open_app"
case_ s 'opener status 1'        "dir:$app env:FAKE_STATUS=1" 1 '' 'pagelume: error: @O exited with status 1\n' "$open_app"
case_ s 'opener killed'          "dir:$app env:FAKE_SIGNAL=TERM" 15 '' 'pagelume: error: @O exited with status 15\n' "$open_app"
case_ s 'opener missing'         "dir:$app no-opener" 1 '' 'pagelume: error: failed to launch @O: No such file or directory\n' -
case_ s 'empty argument vector'  "dir:$app argv0:-" 0 '' '' "$open_app"

# Without a bundle: the development executable, or the error.
case_ s 'nothing to run'         'file:a.md' 1 '' '@N\n' - -- a.md
case_ s 'development executable' 'file:a.md child:.build/debug/Pagelume' 0 '' '@<@W/.build/debug/Pagelume@>\n' '@W\n[@W/a.md]' -- a.md
case_ s 'development status'     'child:.build/debug/Pagelume env:FAKE_STATUS=3' 3 '' '@<@W/.build/debug/Pagelume@>\npagelume: error: @W/.build/debug/Pagelume exited with status 3\n' '@W\n'
case_ s 'development not runnable' 'plain:.build/release/Pagelume' 1 '' '@<@W/.build/release/Pagelume@>\npagelume: error: failed to launch @W/.build/release/Pagelume: Permission denied\n' -
case_ s 'checkout above'         'checkout:@T/r child:@T/r/.build/release/Pagelume cwd:@T/r/docs' 0 '' '@<@T/r/.build/release/Pagelume@>\n' '@T/r/docs\n'

# Which bundle the opener receives.
case_ s 'PAGELUME_APP first'     "dir:$app dir:@H/Custom.app env:PAGELUME_APP=~/Custom.app" 0 '' '' "@W\n[-a][@H/Custom.app]"
case_ s 'PAGELUME_APP home'      "dir:$app env:PAGELUME_APP=~" 0 '' '' "@W\n[-a][@H]"
case_ s 'PAGELUME_APP missing'   "dir:$app env:PAGELUME_APP=@T/none.app" 0 '' '' "$open_app"
case_ s 'PAGELUME_APP a file'    "dir:$app file:@T/file.app env:PAGELUME_APP=@T/file.app" 0 '' '' "$open_app"
case_ s 'PAGELUME_APP relative'  "dir:$app dir:build/Pagelume.app env:PAGELUME_APP=build/Pagelume.app" 0 '' '' "@W\n[-a][build/Pagelume.app]"
tool=@T/Tool.app/Contents/MacOS/pagelume-cli
case_ s 'bundle around the tool' "dir:$app tool:$tool link:@T/bin/pagelume=../Tool.app/Contents/MacOS/pagelume-cli run:@T/bin/pagelume argv0:@T/bin/pagelume" 0 '' '' "@W\n[-a][@T/bin/../Tool.app]"
case_ s 'bundle through a bin link' "dir:$app tool:$tool link:@T/bin=Tool.app/Contents/MacOS run:@T/bin/pagelume-cli argv0:@T/bin/pagelume-cli" 0 '' '' "$open_app"
# A shell passes the bare name of a command it found on the search path: the
# system's record of the executable stands in for argument 0.
case_ s 'typed by name'          "dir:$app tool:$tool link:@T/bin/pagelume=$tool env:PATH=@T/bin:/usr/bin:/bin file:a.md by-name:pagelume" 0 '' '' "@W\n[-a][@T/Tool.app][@W/a.md]" -- a.md
case_ s 'empty argument 0'       "dir:$app tool:$tool run:$tool argv0:" 0 '' '' "@W\n[-a][@T/Tool.app]"
case_ s 'first of two definitions' "dir:$app dir:@H/First.app dir:@H/Second.app env:PAGELUME_APP=@H/First.app env:EXECAS_APPEND=PAGELUME_APP=@H/Second.app" 0 '' '' "@W\n[-a][@H/First.app]"
case_ s "working checkout first"  "checkout:. dir:build/Pagelume.app checkout:@T/r dir:@T/r/build/Pagelume.app tool:@T/r/bin/pagelume run:@T/r/bin/pagelume argv0:@T/r/bin/pagelume" 0 '' '' "@W\n[-a][@W/build/Pagelume.app]"
case_ s 'checkout build bundle'  "dir:$app checkout:. dir:build/Pagelume.app" 0 '' '' "@W\n[-a][@W/build/Pagelume.app]"
case_ s 'user applications'      'dir:@H/Applications/Pagelume.app' 0 '' '' "@W\n[-a][@H/Applications/Pagelume.app]"

# The version of the bundle the open command would use.
v='<key>CFBundleShortVersionString</key>'
case_ s 'version without a bundle' '' 0 '0.0.0-dev\n' '' - -- --version
case_ s 'version from XML'       "xml:$app=$v<string>1.4.2</string>" 0 '1.4.2\n' '' - -- --version
case_ s 'version from binary'    "bin:$app=$v<string>2.0.1</string>" 0 '2.0.1\n' '' - -- --version
case_ s 'version with blanks'    "xml:$app=$v<string>\ 3\ </string>" 0 ' 3 \n' '' - -- --version
case_ s 'empty version'          "bin:$app=$v<string></string>" 0 '\n' '' - -- --version
case_ s 'numeric version'        "bin:$app=$v<integer>3</integer>" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'version key missing'    "xml:$app=<key>CFBundleVersion</key><string>9</string>" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'first bundle has no list' "xml:$app=$v<string>1.4.2</string> dir:@T/Bare.app env:PAGELUME_APP=@T/Bare.app" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'PAGELUME_APP version first' "xml:$app=$v<string>1.0</string> xml:@T/Mine.app=$v<string>9.9</string> env:PAGELUME_APP=@T/Mine.app" 0 '9.9\n' '' - -- --version
case_ s 'malformed list'         "file:$app/Contents/Info.plist" 0 '0.0.0-dev\n' '' - -- --version
# Lists nested far deeper than any bundle's, on a 1 MiB stack: a parser that
# recursed once crashed on them.
case_ s 'deep XML list'          "deep-xml:$app=30000 stack:1024" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'deep binary list'       "deep-bin:$app=30000 stack:1024" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'deep list, then open'   "deep-xml:$app=30000 stack:1024 real-opener child:$app/Contents/MacOS/Pagelume" 1 '' "open: cannot read $app/Contents/Info.plist: nested more than 64 levels deep\npagelume: error: @O exited with status 1\n" -
# The deepest lists admitted, on the same small stack: the top dictionary
# and 63 arrays make 64 levels.
case_ s 'deep XML list, admitted' "deep-xml:$app=63 stack:1024" 0 '1.0\n' '' - -- --version
case_ s 'deep binary list, admitted' "deep-bin:$app=63 stack:1024" 0 '1.0\n' '' - -- --version
# Only what real lists hold reaches a parser: attributes and a plist inside
# the list are refused before any, by the tool and the stand-in alike.
case_ s 'attribute in a list'    "xml:$app=$v<string\ id=\"x\">1.0</string> stack:1024" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'plist inside a list'    "xml:$app=$v<plist\ version=\"1.0\"><string>1.0</string></plist> stack:1024" 0 '0.0.0-dev\n' '' - -- --version
case_ s 'attribute, then open'   "xml:$app=<key>CFBundleExecutable</key><string\ id=\"x\">Pagelume</string> stack:1024 real-opener child:$app/Contents/MacOS/Pagelume" 1 '' "open: cannot read $app/Contents/Info.plist: not a property list\npagelume: error: @O exited with status 1\n" -
# The same without /Applications or the opener, so that they run on every
# system: a bundle named by PAGELUME_APP, and the bundle around the tool,
# also when the shell finds the tool by name or argument 0 is empty (the
# system's record of the executable stands in).
case_ t 'version of PAGELUME_APP, XML' "xml:@T/Mine.app=$v<string>1.4.2</string> env:PAGELUME_APP=@T/Mine.app" 0 '1.4.2\n' '' - -- --version
case_ t 'version of PAGELUME_APP, binary' "bin:@T/Mine.app=$v<string>2.0.1</string> env:PAGELUME_APP=@T/Mine.app" 0 '2.0.1\n' '' - -- --version
# Read as the system reads them: a document type whose identifier holds a
# double quote hides nothing, and the shapes of real lists are read.
# The list the macOS bundle service reads: Info-macos.plist before
# Info.plist, found by a listing of Contents without regard to case but read
# under its own name; and NAME-macos in place of NAME.
mine=@T/Mine.app
case_ t 'Info-macos.plist first'   "xml:$mine=$v<string>1.0</string> xml-at:$mine/Contents/Info-macos.plist=$v<string>2.0</string> env:PAGELUME_APP=$mine" 0 '2.0\n' '' - -- --version
case_ t 'Info-macos.plist of an array' "xml:$mine=$v<string>1.0</string> text-at:$mine/Contents/Info-macos.plist=<plist><array/></plist> env:PAGELUME_APP=$mine" 0 '0.0.0-dev\n' '' - -- --version
case_ t 'Info-macos.plist a folder' "xml:$mine=$v<string>1.0</string> dir:$mine/Contents/Info-macos.plist env:PAGELUME_APP=$mine" 0 '1.0\n' '' - -- --version
case_ t 'Info-macos.plist unreadable' "xml:$mine=$v<string>1.0</string> xml-at:$mine/Contents/Info-macos.plist=$v<string>2.0</string> lock:$mine/Contents/Info-macos.plist unprivileged env:PAGELUME_APP=$mine" 0 '1.0\n' '' - -- --version
# On a volume that tells case apart the service finds "info.plist" but reads
# Info.plist, which is not there; elsewhere it reads the one file.
case_probe=$(mktemp -d "${TMPDIR:-/tmp}/pagelume-case.XXXXXX")
: >"$case_probe/CaseProbe"
lower_expected='0.0.0-dev\n'
if [ -e "$case_probe/caseprobe" ]; then lower_expected='1.0\n'; fi
rm -rf "$case_probe"
case_ t 'a lowercase info.plist alone' "xml-at:$mine/Contents/info.plist=$v<string>1.0</string> env:PAGELUME_APP=$mine" 0 "$lower_expected" '' - -- --version
case_ t 'the -macos version, a string' "xml:$mine=$v<string>1.0</string><key>CFBundleShortVersionString-macos</key><string>2.0</string> env:PAGELUME_APP=$mine" 0 '2.0\n' '' - -- --version
case_ t 'the -macos version, a number' "xml:$mine=$v<string>1.0</string><key>CFBundleShortVersionString-macos</key><integer>2</integer> env:PAGELUME_APP=$mine" 0 '0.0.0-dev\n' '' - -- --version
case_ t 'document type hides no list' "list:@T/Mine.app=hidden-list.plist env:PAGELUME_APP=@T/Mine.app" 0 '1.0\n' '' - -- --version
case_ t 'shapes of real lists'    "list:@T/Mine.app=real-shapes.plist env:PAGELUME_APP=@T/Mine.app" 0 '2.1\n' '' - -- --version
case_ t 'version, typed by name'  "xml:@T/Tool.app=$v<string>3.1</string> tool:$tool link:@T/bin/pagelume=$tool env:PATH=@T/bin:/usr/bin:/bin by-name:pagelume" 0 '3.1\n' '' - -- --version
case_ t 'version, empty argument 0' "xml:@T/Tool.app=$v<string>3.1</string> tool:$tool run:$tool argv0:" 0 '3.1\n' '' - -- --version
case_ s 'home as PAGELUME_APP'   "xml:$app=$v<string>1.0</string> env:PAGELUME_APP=~" 0 '0.0.0-dev\n' '' - -- --version

# The stand-in opener on its own, and behind the tool.
a=@T/Sample.app
exe=$a/Contents/MacOS
case_ o 'stand-in opens'          "child:$exe/Sample file:a.md run:$STANDIN" 0 '' '' '@W\n[@W/a.md][b c]' -- -a $a @W/a.md 'b c'
case_ o 'stand-in declared name'  "xml:$a=<key>CFBundleExecutable</key><string>Viewer</string> child:$exe/Viewer run:$STANDIN" 0 '' '' '@W\n' -- -a $a
case_ o 'stand-in no executable'  "dir:$exe run:$STANDIN" 1 '' "open: no executable in $a: $exe/Sample does not exist\n" - -- -a $a x.md
case_ o 'stand-in not executable' "plain:$exe/Sample run:$STANDIN" 1 '' "open: cannot start $exe/Sample: Permission denied\n" - -- -a $a
case_ o 'stand-in not a bundle'   "file:$a run:$STANDIN" 1 '' "open: not an app bundle: $a\n" - -- -a $a
case_ o 'stand-in missing bundle' "run:$STANDIN" 1 '' "open: not an app bundle: $a\n" - -- -a $a
case_ o 'stand-in, hidden list'    "list:$a=hidden-list.plist child:$exe/X plain:$exe/Evil run:$STANDIN" 0 '' '' '@W\n' -- -a $a
case_ o 'stand-in malformed list' "file:$a/Contents/Info.plist child:$exe/Sample run:$STANDIN" 1 '' "open: cannot read $a/Contents/Info.plist: not a property list\n" - -- -a $a
case_ o 'stand-in unreadable list' "xml:$a=<key>CFBundleExecutable</key><string>Sample</string> child:$exe/Sample lock:$a/Contents/Info.plist unprivileged run:$STANDIN" 1 '' "open: cannot read $a/Contents/Info.plist: Permission denied\n" - -- -a $a
case_ o 'stand-in, -macos executable' "xml:$a=<key>CFBundleExecutable</key><string>Sample</string><key>CFBundleExecutable-macos</key><string>Other</string> child:$exe/Sample plain:$exe/Other run:$STANDIN" 0 '' '' '@W\n' -- -a $a
case_ o 'stand-in bad usage'      "run:$STANDIN" 1 '' 'open: usage: open -a BUNDLE [FILE ...]\n' - -- $a x.md
case_ o 'stand-in no arguments'   "run:$STANDIN" 1 '' 'open: usage: open -a BUNDLE [FILE ...]\n' -
case_ s 'tool through the stand-in' "real-opener child:$app/Contents/MacOS/Pagelume file:a.md" 0 '' '' '@W\n[@W/a.md]' -- a.md

# Hostile input: bytes that are not UTF-8, huge and looping inputs, missing
# streams.
bad=$'\xff\xfe'
long=$(printf 'x%.0s' {1..5000})
case_ s 'file name not UTF-8'     "dir:$app file:$bad.md" 0 '' '' "${open_app}[@W/\\xff\\xfe.md]" -- "$bad.md"
case_ s 'PAGELUME_APP not UTF-8'  "dir:$app dir:@T/$bad.app env:PAGELUME_APP=@T/$bad.app" 0 '' '' "@W\\n[-a][@T/\\xff\\xfe.app]"
case_ s 'ten thousand files'      "dir:$app many:10000" 0 '' '' "$open_app@M"
case_ t 'path longer than PATH_MAX' '' 1 '' "pagelume: error: no such file: @W/$long\\n" - -- "$long"
# Walks up long paths cost time linear in their length: once 7 s for the
# working directory and minutes for argument 0.
case_ s 'deep working directory'  'deep-cwd:8000 within:3' 0 '0.0.0-dev\n' '' - -- --version
case_ s 'deep argument 0'         'deep-argv0:40000 within:3' 0 '0.0.0-dev\n' '' - -- --version
case_ s 'huge file as argument 0' 'sparse-argv0' 0 '0.0.0-dev\n' '' - -- --version
case_ s 'link loop as argument 0' "dir:$app link:@T/loop=loop argv0:@T/loop" 0 '' '' "$open_app"
case_ s 'link loop as a candidate' "dir:$app link:@T/loop.app=loop.app env:PAGELUME_APP=@T/loop.app" 0 '' '' "$open_app"
case_ s 'unreadable folder on the walk' "dir:$app dir:@T/r/sub cwd:@T/r/sub lock:@T/r unprivileged" 0 '' '' "@T/r/sub\\n[-a][$app]"
case_ t 'out of memory'           'memory:10000000 many:60000' 1 '' 'pagelume: error: out of memory\n' -
case_ o 'stand-in out of memory'  "run:$STANDIN memory:8000000 many:60000" 1 '' 'open: out of memory\n' - -- -a $a
case_ t 'stdout and stderr closed' 'stdout:closed stderr:closed' 1 '' '' - -- --version
case_ t 'usage error, stderr closed' 'stderr:closed' 2 '' '' - -- --frobnicate
case_ t 'help with stderr closed' 'stderr:closed' 0 '@U\n' '' - -- -h

[ -z "$sandbox_reason" ] || echo "skipped cases need the sandbox: $sandbox_reason"
summary
