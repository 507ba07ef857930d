#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks the installed tree, the
# manual page and the packages CPack makes.
#
# Usage: run.sh BUILD_DIR INSTALL_PREFIX SOURCE_DIR CXX_COMPILER (the prefix
# the build was configured with, under which the Debian package installs;
# the sources and compiler for a scratch build of a system package)
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/../../scripts/need-bash.sh" "$@"
set -u
usage="usage: run.sh BUILD_DIR INSTALL_PREFIX SOURCE_DIR CXX_COMPILER"
build=$(cd "${1:?$usage}" && pwd)
prefix=${2:?$usage}
source_dir=${3:?$usage}
compiler=${4:?$usage}
work=$(mktemp -d "${TMPDIR:-/tmp}/pagelume-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=tests/report.sh
. "$(dirname "$0")/../report.sh"

expected_tree() {
  echo bin/pagelume
  [ "$(uname -s)" = Darwin ] || echo libexec/pagelume/open
  echo share/bash-completion/completions/pagelume
  echo share/doc/pagelume/changelog.gz
  echo share/doc/pagelume/copyright
  echo share/fish/vendor_completions.d/pagelume.fish
  echo share/man/man1/pagelume.1.gz
  echo share/zsh/site-functions/_pagelume
}

same_tree() {
  diff <(expected_tree) <(cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
}

executables_run() {
  "$work/prefix/bin/pagelume" --help >/dev/null &&
    if [ -e "$work/prefix/libexec/pagelume/open" ]; then
      # The stand-in opener answers a bad call with its usage line.
      [ "$("$work/prefix/libexec/pagelume/open" 2>&1)" = "open: usage: open -a BUNDLE [FILE ...]" ]
    fi
}

check 'install into a prefix' cmake --install "$build" --prefix "$work/prefix"
check 'installed tree' same_tree "$work/prefix"
check 'installed programs run' executables_run

if command -v mandoc >/dev/null; then
  check 'manual page is lint-clean' mandoc -Tlint "$work/prefix/share/man/man1/pagelume.1.gz"
else
  skip 'mandoc is not installed'
fi

package_tree() {
  (cd "$build" && cpack -G "$1" -B "$work/packages" >/dev/null) || return 1
  local package
  package=$(find "$work/packages" -maxdepth 1 -name "*$2" | head -n 1)
  [ -n "$package" ] || { echo "no $2 made"; return 1; }
  mkdir -p "$work/unpacked$2"
  case $2 in
    .deb) # dpkg-shlibdeps finds the libraries the binaries link
      dpkg-deb -f "$package" Depends | grep -q libc6 || { echo "no libc6 in Depends"; return 1; }
      dpkg-deb -x "$package" "$work/unpacked$2" && same_tree "$work/unpacked$2$prefix" ;;
    .tar.gz) tar -xzf "$package" -C "$work/unpacked$2" --strip-components=1 && same_tree "$work/unpacked$2" ;;
  esac
}

if command -v cpack >/dev/null; then
  check 'tar.gz package' package_tree TGZ .tar.gz
  if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
    check 'Debian package' package_tree DEB .deb
  else
    skip 'dpkg-deb and dpkg-shlibdeps are not installed'
  fi
fi

# Debian's own checker, on a package made the way a distribution would make
# it: a release build configured for /usr. Errors fail; each warning left is
# listed here with the reason it stays.
allowed_warnings=(
  # changelog.gz is the project's own CHANGELOG.md, in Markdown: CPack makes
  # the package, not a Debian source package with a debian/changelog.
  syntax-error-in-debian-changelog
)
lintian_clean() {
  cmake -S "$source_dir" -B "$work/system" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$compiler" -DPAGELUME_STATIC_RUNTIME=ON \
    -DPAGELUME_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null &&
    cmake --build "$work/system" >/dev/null &&
    (cd "$work/system" && cpack -G DEB -B "$work/system-packages" >/dev/null) ||
    return 1
  local package report tag unexpected=""
  package=$(find "$work/system-packages" -maxdepth 1 -name '*.deb' | head -n 1)
  report=$(lintian --tag-display-limit 0 "$package" 2>&1)
  echo "$report"
  while read -r tag; do
    [ -n "$tag" ] || continue
    printf '%s\n' "${allowed_warnings[@]}" | grep -qxF -- "$tag" || unexpected+=" $tag"
  done < <(printf '%s\n' "$report" | sed -n 's/^[EW]: [^:]*: \([^ ]*\).*/\1/p' | sort -u)
  [ -z "$unexpected" ] || { echo "not allowed:$unexpected"; return 1; }
}
if command -v lintian >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  check 'lintian on the Debian package' lintian_clean
else
  skip 'lintian and dpkg-shlibdeps are not installed'
fi

summary
