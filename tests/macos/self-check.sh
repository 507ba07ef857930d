#!/usr/bin/env bash
# Checks that the built tool runs on a Mac that has nothing but the system:
# every slice links only libSystem and the system's libc++, the slices
# are the architectures the build asked for, and each slice's minimum macOS
# is exactly the deployment target. Reads the binary with otool and lipo,
# or the stand-ins named by OTOOL and LIPO; exits 77 (skipped) off macOS
# unless both are named, and for builds that do not link their runtime
# statically.
#
# Usage: self-check.sh TOOL STATIC_RUNTIME ARCHITECTURES DEPLOYMENT_TARGET
#   (ARCHITECTURES as CMake lists them, "arm64;x86_64"; empty: the host's)
set -u
tool=${1:?usage: self-check.sh TOOL STATIC_RUNTIME ARCHITECTURES DEPLOYMENT_TARGET}
static_runtime=${2:-OFF}
architectures=${3:-}
target=${4:-}

if [ "$(uname -s)" != Darwin ] && { [ -z "${OTOOL:-}" ] || [ -z "${LIPO:-}" ]; }; then
  echo "skip: the self-check reads Mach-O load commands with otool and lipo, which $(uname -s) has not (name stand-ins in OTOOL and LIPO)"
  exit 77
fi
otool=${OTOOL:-otool}
lipo=${LIPO:-lipo}
case $static_runtime in
  ON | on | TRUE | true | 1) ;;
  *)
    echo "skip: only a build with PAGELUME_STATIC_RUNTIME (release, macos) is self-contained"
    exit 77
    ;;
esac

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

# A list of words as a sorted set, one a line, empty words left out.
as_set() {
  tr ';' ' ' | tr ' ' '\n' | sed '/^$/d' | sort -u
}

slices=$("$lipo" -archs "$tool") || fail "lipo cannot read $tool"
if [ -n "$architectures" ]; then
  [ "$(as_set <<<"$slices")" = "$(as_set <<<"$architectures")" ] ||
    fail "architectures are '$(as_set <<<"$slices" | tr '\n' ' ')', the build asked for '$(as_set <<<"$architectures" | tr '\n' ' ')'"
fi

# Slice by slice: some otool versions print only the host's slice for
# "-arch all".
allowed="/usr/lib/libSystem.B.dylib
/usr/lib/libc++.1.dylib"
for arch in $(as_set <<<"$slices"); do
  # `otool -L` prints a header line ("TOOL:" or "TOOL (architecture
  # arm64):"), then one indented line per library.
  libraries=$("$otool" -arch "$arch" -L "$tool") || fail "otool -L cannot read the $arch slice"
  while IFS= read -r line; do
    case $line in
      *: | "") continue ;;
    esac
    library=${line#"${line%%[![:space:]]*}"}
    library=${library%% (compatibility version*}
    if ! printf '%s\n' "$allowed" | grep -qxF -- "$library"; then
      fail "the $arch slice links $library, which a bare macOS may not have"
    fi
  done <<<"$libraries"

  # The minimum macOS: "minos" of LC_BUILD_VERSION, or "version" of the
  # older LC_VERSION_MIN_MACOSX.
  if [ -n "$target" ]; then
    minimums=$("$otool" -arch "$arch" -l "$tool" | awk '
      /cmd LC_BUILD_VERSION/ { build = 1; next }
      /cmd LC_VERSION_MIN_MACOSX/ { old = 1; next }
      build && $1 == "minos" { print $2; build = 0 }
      old && $1 == "version" { print $2; old = 0 }')
    [ -n "$minimums" ] || fail "the $arch slice names no minimum macOS version"
    for minimum in $minimums; do
      [ "$minimum" = "$target" ] ||
        fail "the $arch slice needs macOS $minimum, the deployment target is $target"
    done
  fi
done

if [ "$failed" -eq 0 ]; then
  echo "ok: $tool needs only the system: $(as_set <<<"$slices" | tr '\n' ' ')slices, macOS ${target:-as built}"
fi
exit "$failed"
