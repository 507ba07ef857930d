#!/usr/bin/env bash
# Inputs that once stopped the property-list fuzz target although the
# reader was right, each given to the target as a file: it must pass them
# all. A character reference of nine digits and a list past the size bound
# (both refused, as the system refuses them), a 30 KB integer (a regular
# expression in the oracle overflowed the stack on it), and a list of the
# shape that made the binary reader slow: 120 table entries at one array.
# Usage: plist-inputs.sh FUZZ_TARGET WORK_DIR
set -eu
target=${1:?usage: plist-inputs.sh FUZZ_TARGET WORK_DIR}
work=${2:?usage: plist-inputs.sh FUZZ_TARGET WORK_DIR}
mkdir -p "$work"
python3 - "$work" <<'PYTHON'
import os, struct, sys
work = sys.argv[1]
head = ('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
        '<key>CFBundleShortVersionString</key>')
tail = '</dict></plist>\n'
def write(name, data):
    open(os.path.join(work, name), "wb").write(data)
write("nine-digits", (head + "<string>&#x000000031;</string>" + tail).encode())
write("too-large", (head + "<string>" + "x" * (1024 * 1024) + "</string>" + tail).encode())
write("long-integer", (head + "<integer>" + "1" * 30000 + "</integer>" + tail).encode())
# Eight-byte offsets, one-byte references: an array of 10,000 references to
# 120 small objects, 120 table entries at it, all held by the top.
smalls = [b"\x09", b"\x10\x07", b"\x51a", b"\x22" + bytes(4)] * 30
data = bytearray(b"bplist00")
offsets = [0]
version = b"\x5f\x10\x1aCFBundleShortVersionString"
for item in [version, b"\x551.4.2"] + smalls:
    offsets.append(len(data)); data += item
array = bytes([0xAF, 0x11]) + struct.pack(">H", 10000) + bytes(3 + i % 120 for i in range(10000))
at = len(data); data += array
offsets += [at] * 120
offsets[0] = len(data)
keys = bytes([1] + [3 + 2] * 120)
values = bytes([2] + list(range(123, 243)))
data += bytes([0xDF, 0x10, 121]) + keys + values
table = len(data)
for offset in offsets:
    data += offset.to_bytes(8, "big")
data += bytes(6) + bytes([8, 1]) + struct.pack(">QQQ", len(offsets), 0, table)
write("shared-array", bytes(data))
PYTHON
# A fuzz target given files runs each once and stops at the first finding.
"$target" -timeout=5 -rss_limit_mb=1024 "$work"/nine-digits "$work"/too-large \
  "$work"/long-integer "$work"/shared-array
echo "4 passed, 0 failed"
