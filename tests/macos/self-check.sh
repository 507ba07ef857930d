#!/usr/bin/env bash
# Checks that the built tool runs on a Mac that has nothing but the system:
# it links only libSystem, libc++ and CoreFoundation, holds every
# architecture the build asked for, and asks for no newer macOS than the
# deployment target. Exits 77 (skipped) off macOS and for builds that do not
# link their runtime statically.
#
# Usage: self-check.sh TOOL STATIC_RUNTIME ARCHITECTURES DEPLOYMENT_TARGET
#   (ARCHITECTURES as CMake lists them, "arm64;x86_64"; empty: the host's)
set -u
tool=${1:?usage: self-check.sh TOOL STATIC_RUNTIME ARCHITECTURES DEPLOYMENT_TARGET}
static_runtime=${2:-OFF}
architectures=${3:-}
target=${4:-}

if [ "$(uname -s)" != Darwin ]; then
  echo "skip: the self-check reads Mach-O load commands, and this is $(uname -s), not macOS"
  exit 77
fi
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

# Libraries: `otool -L` prints a header line per slice ("TOOL:" or "TOOL
# (architecture arm64):"), then one indented line per library.
allowed="/usr/lib/libSystem.B.dylib
/usr/lib/libc++.1.dylib
/System/Library/Frameworks/CoreFoundation.framework/Versions/A/CoreFoundation"
libraries=$(otool -arch all -L "$tool") || fail "otool -L cannot read $tool"
while IFS= read -r line; do
  case $line in
    *:) continue ;;
  esac
  library=${line#"${line%%[![:space:]]*}"}
  library=${library%% (compatibility version*}
  if ! printf '%s\n' "$allowed" | grep -qxF -- "$library"; then
    fail "links $library, which a bare macOS may not have"
  fi
done <<<"$libraries"

# Architectures, compared as sets.
if [ -n "$architectures" ]; then
  expected=$(printf '%s\n' "${architectures//;/ }" | tr ' ' '\n' | sort | tr '\n' ' ')
  actual=$(lipo -archs "$tool" | tr ' ' '\n' | sort | tr '\n' ' ')
  [ "$actual" = "$expected" ] ||
    fail "architectures are '$actual', the build asked for '$expected'"
fi

# The minimum macOS of every slice: "minos" of LC_BUILD_VERSION, or
# "version" of the older LC_VERSION_MIN_MACOSX.
if [ -n "$target" ]; then
  minimums=$(otool -arch all -l "$tool" | awk '
    /cmd LC_BUILD_VERSION/ { build = 1; next }
    /cmd LC_VERSION_MIN_MACOSX/ { old = 1; next }
    build && $1 == "minos" { print $2; build = 0 }
    old && $1 == "version" { print $2; old = 0 }')
  [ -n "$minimums" ] || fail "no minimum macOS version in the load commands"
  for minimum in $minimums; do
    [ "$minimum" = "$target" ] ||
      fail "a slice needs macOS $minimum, the deployment target is $target"
  done
fi

if [ "$failed" -eq 0 ]; then
  echo "ok: $tool needs only the system, for ${architectures:-the architecture of the host}, macOS ${target:-as built}"
fi
exit "$failed"
