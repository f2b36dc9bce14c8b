#!/bin/sh
# Checks the built Feldmoor.exe as Windows will load it: a GUI-subsystem
# program that imports the adapter library's three functions by name from
# QB562DLLA64.DLL, and carries the 128x128 image of its icon file as the
# icon group IDI_ICON.
# Usage: pefacts.sh <objdump> <objcopy> <Feldmoor.exe> <Feldmoor.ico>
set -eu
objdump="$1" objcopy="$2" exe="$3" ico="$4"
status=0
fail() { echo "FAIL: $*"; status=1; }

headers="$("$objdump" -p "$exe")"
echo "$headers" | grep -q "^Subsystem.*(Windows GUI)" || fail "not a GUI-subsystem program"

# The import block of one DLL runs from its "DLL Name" line to a blank line;
# imports by name list the name, imports by ordinal only a number.
imports="$(echo "$headers" | awk '/DLL Name: QB562DLLA64.DLL/ { on = 1; next } on && /^$/ { exit } on')"
[ -n "$imports" ] || fail "no imports from QB562DLLA64.DLL"
for name in QB562OpenDevice QB562CloseDevice QB562SetDeviceNotify; do
    echo "$imports" | grep -qw "$name" || fail "$name not imported by name from QB562DLLA64.DLL"
done

# Bytes as " xx xx ..." on one line, so that a match is byte-aligned.
hex() { od -An -v -tx1 | tr -d '\n'; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$objcopy" -O binary --only-section=.rsrc "$exe" "$work/rsrc"
rsrc="$(hex < "$work/rsrc")"
# Resource names are stored upper-case in UTF-16.
echo "$rsrc" | grep -q " 49 00 44 00 49 00 5f 00 49 00 43 00 4f 00 4e 00" || fail "no resource named IDI_ICON"

# The icon file's directory: 6 bytes of header, then 16 per image (width,
# height, ..., size at 8, offset at 12). A width or height of 128 is 128.
count=$(od -An -tu2 -j4 -N2 "$ico" | tr -d ' ')
found=""
i=0
while [ "$i" -lt "$count" ]; do
    entry=$((6 + 16 * i))
    set -- $(od -An -tu1 -j"$entry" -N2 "$ico")
    if [ "$1" = 128 ] && [ "$2" = 128 ]; then
        size=$(od -An -tu4 -j$((entry + 8)) -N4 "$ico" | tr -d ' ')
        offset=$(od -An -tu4 -j$((entry + 12)) -N4 "$ico" | tr -d ' ')
        image="$(od -An -v -tx1 -j"$offset" -N"$size" "$ico" | tr -d '\n')"
        case "$rsrc" in
            *"$image"*) found=yes ;;
        esac
    fi
    i=$((i + 1))
done
[ -n "$found" ] || fail "the 128x128 image of $(basename "$ico") is not in the resources"

[ "$status" = 0 ] && echo "PASS: GUI subsystem, QB562DLLA64.DLL imports by name, 128x128 icon IDI_ICON"
exit "$status"
