#!/usr/bin/env bash
# The two otool calls the self-check makes, answered by llvm-objdump, for
# reading Mach-O files where no otool exists:
#   otool.sh -arch ARCH -L FILE   the libraries that slice links
#   otool.sh -arch ARCH -l FILE   that slice's load commands
set -u
objdump=${LLVM_OBJDUMP:-llvm-objdump}
if [ "$#" -ne 4 ] || [ "$1" != -arch ]; then
  echo "usage: otool.sh -arch ARCH -L|-l FILE" >&2
  exit 64
fi
case $3 in
  -L) exec "$objdump" --macho --arch="$2" --dylibs-used "$4" ;;
  -l) exec "$objdump" --macho --arch="$2" --private-headers "$4" ;;
  *) echo "otool.sh: only -L and -l" >&2; exit 64 ;;
esac
